#include "CameraParamValue.h"

ParamNumber paramFromVariant(const CameraParam& param, const QVariant& value)
{
    switch (param.type) {
    case ParamType::U32: return ParamNumber::ofU32(value.toUInt());
    case ParamType::F32: return ParamNumber::ofF32(value.toFloat());
    case ParamType::I32: return ParamNumber::ofI32(value.toInt());
    }
    return ParamNumber();
}

QVariant paramToVariant(const ParamNumber& value)
{
    switch (value.type) {
    case ParamType::U32: return QVariant::fromValue(unsigned(value.u32));
    case ParamType::F32: return QVariant::fromValue(value.f32);
    case ParamType::I32: return QVariant::fromValue(int(value.i32));
    }
    return QVariant();
}
