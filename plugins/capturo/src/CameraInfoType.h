#pragma once

#include <corelink/CameraInfo.h>

#include <QMetaType>

// The record crosses the plugin bus inside a QVariant under the meta type name
// "CameraInfo"; the service registers the same name, so both ends share one id.
Q_DECLARE_METATYPE(CameraInfo)
