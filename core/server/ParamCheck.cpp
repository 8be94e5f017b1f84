#include "ParamCheck.h"

#include <cmath>
#include <cstdio>
#include <string>

using kelvora::core::ParamValue;

namespace {

// A range field of the camera's ranges as a double, whatever its type.
bool rangeField(const kelvora::core::CameraRanges& ranges, const char* pName, double* pValue)
{
    const google::protobuf::FieldDescriptor* pField = ranges.GetDescriptor()->FindFieldByName(pName);
    if (!pField)
        return false;
    const google::protobuf::Reflection* pReflection = ranges.GetReflection();
    switch (pField->cpp_type()) {
    case google::protobuf::FieldDescriptor::CPPTYPE_UINT32:
        *pValue = pReflection->GetUInt32(ranges, pField);
        return true;
    case google::protobuf::FieldDescriptor::CPPTYPE_INT32:
        *pValue = pReflection->GetInt32(ranges, pField);
        return true;
    case google::protobuf::FieldDescriptor::CPPTYPE_FLOAT:
        *pValue = pReflection->GetFloat(ranges, pField);
        return true;
    default: return false;
    }
}

// Whole numbers without a fraction, others as the value needs.
std::string shown(double dValue)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", dValue);
    return text;
}

// A bound of a choice also says what it means: "0 (rising edge)".
std::string withUnit(const CameraParam& param, double dValue, const char* pLabel = nullptr)
{
    std::string strText = shown(dValue);
    if (*param.pUnit)
        strText += std::string(" ") + param.pUnit;
    if (pLabel)
        strText += std::string(" (") + pLabel + ")";
    return strText;
}

grpc::Status refuse(const std::string& strReason)
{
    return grpc::Status(grpc::StatusCode::INVALID_ARGUMENT, strReason);
}

} // namespace

bool ParamCheck::bounds(const CameraParam& param, const kelvora::core::CameraRanges& ranges, double* pMin,
                        double* pMax)
{
    if (!param.pRangeMin) {
        *pMin = param.dFixedMin;
        *pMax = param.dFixedMax;
        return true;
    }
    return rangeField(ranges, param.pRangeMin, pMin) && rangeField(ranges, param.pRangeMax, pMax);
}

grpc::Status ParamCheck::check(const ParamValue& value, const kelvora::core::CameraRanges& ranges)
{
    const CameraParam* pParam = camera_params::byProto(int(value.param()));
    if (!pParam)
        return refuse("unknown parameter " + std::to_string(int(value.param())));
    double dValue = 0.0;
    bool bTyped = false;
    switch (pParam->type) {
    case ParamType::U32:
        bTyped = value.value_case() == ParamValue::kU32;
        dValue = value.u32();
        break;
    case ParamType::F32:
        bTyped = value.value_case() == ParamValue::kF32;
        dValue = value.f32();
        break;
    case ParamType::I32:
        bTyped = value.value_case() == ParamValue::kI32;
        dValue = value.i32();
        break;
    }
    if (!bTyped)
        return refuse(std::string("wrong value type for the ") + pParam->pName);
    double dMin = 0.0;
    double dMax = 0.0;
    if (!bounds(*pParam, ranges, &dMin, &dMax))
        return grpc::Status(grpc::StatusCode::INTERNAL, std::string("no range for the ") + pParam->pName);
    // The negated form also refuses NaN.
    if (!(dValue >= dMin && dValue <= dMax))
        return refuse(std::string(pParam->pName) + " " + withUnit(*pParam, dValue) + " outside "
                      + withUnit(*pParam, dMin, pParam->pMinLabel) + " to "
                      + withUnit(*pParam, dMax, pParam->pMaxLabel));
    return grpc::Status::OK;
}
