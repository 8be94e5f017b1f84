#include "CameraRPC.h"

#include <spdlog/spdlog.h>

#include "CoreSession.h"

using kelvora::core::ParamValue;

namespace {

int nullArgument(const char* pWhat)
{
    spdlog::warn("{} failed: no place for the result", pWhat);
    return CoreSession::kNotConnected;
}

} // namespace

CameraRPC::CameraRPC(std::shared_ptr<CoreSession> pSession, std::string strCamera)
    : m_pSession(std::move(pSession))
    , m_strCamera(std::move(strCamera))
{
}

void CameraRPC::setFrameCallback(FrameCallback callback)
{
    if (m_strCamera.empty())
        m_pSession->setFrameCallback(std::move(callback));
    else
        m_pSession->setCameraFrameCallback(m_strCamera, std::move(callback));
}

void CameraRPC::setRejectedFrameCallback(RejectedFrameCallback callback)
{
    m_pSession->setRejectedFrameCallback(std::move(callback));
}

int CameraRPC::getCameraInfo(CameraInfo* pInfo)
{
    const char* const pWhat = "getCameraInfo";
    if (pInfo == nullptr)
        return nullArgument(pWhat);
    int nResult = 0;
    const auto pStub = m_pSession->admit(pWhat, &nResult);
    if (!pStub)
        return nResult;
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::CameraRanges ranges;
    kelvora::core::CameraRequest request;
    request.set_camera(m_strCamera);
    nResult = m_pSession->conclude(pStub->GetCameraInfo(&context, request, &ranges), pWhat);
    if (nResult != 0)
        return nResult;
    CameraInfo info;
    info.nSensorWidth = ranges.width();
    info.nSensorHeight = ranges.height();
    info.nExposureMin = ranges.exposure_min();
    info.nExposureMax = ranges.exposure_max();
    info.fGainMin = ranges.gain_min();
    info.fGainMax = ranges.gain_max();
    info.nTriggerModeMin = ranges.trigger_mode_min();
    info.nTriggerModeMax = ranges.trigger_mode_max();
    info.nDebounceMin = ranges.debounce_min();
    info.nDebounceMax = ranges.debounce_max();
    info.fTriggerGapMin = ranges.trigger_gap_min();
    info.fTriggerGapMax = ranges.trigger_gap_max();
    *pInfo = info;
    return 0;
}

int CameraRPC::setExposure(unsigned nExposure)
{
    ParamValue value;
    value.set_param(kelvora::core::PARAM_EXPOSURE);
    value.set_u32(nExposure);
    return setParam(value, "setExposure");
}

int CameraRPC::getExposure(unsigned* pExposure)
{
    if (pExposure == nullptr)
        return nullArgument("getExposure");
    ParamValue value;
    const int nResult = getParam(kelvora::core::PARAM_EXPOSURE, ParamValue::kU32, &value, "getExposure");
    if (nResult == 0)
        *pExposure = value.u32();
    return nResult;
}

int CameraRPC::setGain(float fGain)
{
    ParamValue value;
    value.set_param(kelvora::core::PARAM_GAIN);
    value.set_f32(fGain);
    return setParam(value, "setGain");
}

int CameraRPC::getGain(float* pGain)
{
    if (pGain == nullptr)
        return nullArgument("getGain");
    ParamValue value;
    const int nResult = getParam(kelvora::core::PARAM_GAIN, ParamValue::kF32, &value, "getGain");
    if (nResult == 0)
        *pGain = value.f32();
    return nResult;
}

int CameraRPC::takePhoto()
{
    return command(kelvora::core::COMMAND_TAKE_PHOTO, "takePhoto");
}

int CameraRPC::startContinuous()
{
    return command(kelvora::core::COMMAND_START_CONTINUOUS, "startContinuous");
}

int CameraRPC::stopContinuous()
{
    return command(kelvora::core::COMMAND_STOP_CONTINUOUS, "stopContinuous");
}

int CameraRPC::startVideo()
{
    return command(kelvora::core::COMMAND_START_VIDEO, "startVideo");
}

int CameraRPC::stopVideo()
{
    return command(kelvora::core::COMMAND_STOP_VIDEO, "stopVideo");
}

int CameraRPC::setTriggerGap(float fGap)
{
    ParamValue value;
    value.set_param(kelvora::core::PARAM_TRIGGER_GAP);
    value.set_f32(fGap);
    return setParam(value, "setTriggerGap");
}

int CameraRPC::getTriggerGap(float* pGap)
{
    if (pGap == nullptr)
        return nullArgument("getTriggerGap");
    ParamValue value;
    const int nResult = getParam(kelvora::core::PARAM_TRIGGER_GAP, ParamValue::kF32, &value, "getTriggerGap");
    if (nResult == 0)
        *pGap = value.f32();
    return nResult;
}

int CameraRPC::setTriggerMode(int nMode)
{
    ParamValue value;
    value.set_param(kelvora::core::PARAM_TRIGGER_MODE);
    value.set_i32(nMode);
    return setParam(value, "setTriggerMode");
}

int CameraRPC::getTriggerMode(int* pMode)
{
    if (pMode == nullptr)
        return nullArgument("getTriggerMode");
    ParamValue value;
    const int nResult = getParam(kelvora::core::PARAM_TRIGGER_MODE, ParamValue::kI32, &value,
                                 "getTriggerMode");
    if (nResult == 0)
        *pMode = value.i32();
    return nResult;
}

int CameraRPC::setDebounceTime(int nMilliseconds)
{
    ParamValue value;
    value.set_param(kelvora::core::PARAM_DEBOUNCE);
    value.set_i32(nMilliseconds);
    return setParam(value, "setDebounceTime");
}

int CameraRPC::getDebounceTime(int* pMilliseconds)
{
    if (pMilliseconds == nullptr)
        return nullArgument("getDebounceTime");
    ParamValue value;
    const int nResult = getParam(kelvora::core::PARAM_DEBOUNCE, ParamValue::kI32, &value, "getDebounceTime");
    if (nResult == 0)
        *pMilliseconds = value.i32();
    return nResult;
}

int CameraRPC::command(kelvora::core::CommandKind kind, const char* pWhat)
{
    int nResult = 0;
    const auto pStub = m_pSession->admit(pWhat, &nResult);
    if (!pStub)
        return nResult;
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::CommandRequest request;
    request.set_kind(kind);
    request.set_camera(m_strCamera);
    kelvora::core::Empty reply;
    return m_pSession->conclude(pStub->Command(&context, request, &reply), pWhat);
}

int CameraRPC::setParam(const ParamValue& value, const char* pWhat)
{
    int nResult = 0;
    const auto pStub = m_pSession->admit(pWhat, &nResult);
    if (!pStub)
        return nResult;
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::Empty reply;
    kelvora::core::ParamValue named(value);
    named.set_camera(m_strCamera);
    return m_pSession->conclude(pStub->SetParam(&context, named, &reply), pWhat);
}

int CameraRPC::getParam(kelvora::core::Param param, ParamValue::ValueCase expected, ParamValue* pValue,
                        const char* pWhat)
{
    int nResult = 0;
    const auto pStub = m_pSession->admit(pWhat, &nResult);
    if (!pStub)
        return nResult;
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::ParamRequest request;
    request.set_param(param);
    request.set_camera(m_strCamera);
    nResult = m_pSession->conclude(pStub->GetParam(&context, request, pValue), pWhat);
    if (nResult != 0)
        return nResult;
    if (pValue->value_case() != expected) {
        spdlog::warn("{} failed: the core answered with another value type", pWhat);
        return int(grpc::StatusCode::INTERNAL);
    }
    return 0;
}
