#pragma once

#include "corelink/CameraParamTable.h"

#include <QVariant>

// A parameter's value between the bus (a QVariant, often an int) and the camera
// (the row's own type). A value that is not a number becomes 0, as Qt converts it.
ParamNumber paramFromVariant(const CameraParam& param, const QVariant& value);
// unsigned, float or int, as the row's type.
QVariant paramToVariant(const ParamNumber& value);
