#pragma once

#include "corelink/CameraInfo.h"

#include <QMetaType>

// The camera ranges travel in reply records as a QVariant of this type.
Q_DECLARE_METATYPE(CameraInfo)

inline void registerCameraInfoMetaType()
{
    static const int nId = qRegisterMetaType<CameraInfo>("CameraInfo");
    Q_UNUSED(nId)
}
