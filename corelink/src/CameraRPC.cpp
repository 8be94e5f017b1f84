#include "CameraRPC.h"

#include <spdlog/spdlog.h>

#include "CoreSession.h"

using kelvora::core::ParamValue;

// The table's numbers are the protocol's.
static_assert(int(kelvora::core::PARAM_EXPOSURE) == PROTO_PARAM_EXPOSURE, "protocol parameter numbers");
static_assert(int(kelvora::core::PARAM_GAIN) == PROTO_PARAM_GAIN, "protocol parameter numbers");
static_assert(int(kelvora::core::PARAM_TRIGGER_GAP) == PROTO_PARAM_TRIGGER_GAP, "protocol parameter numbers");
static_assert(int(kelvora::core::PARAM_TRIGGER_MODE) == PROTO_PARAM_TRIGGER_MODE,
              "protocol parameter numbers");
static_assert(int(kelvora::core::PARAM_DEBOUNCE) == PROTO_PARAM_DEBOUNCE, "protocol parameter numbers");
static_assert(int(kelvora::core::PARAM_TRIGGER_TYPE) == PROTO_PARAM_TRIGGER_TYPE,
              "protocol parameter numbers");
static_assert(int(kelvora::core::COMMAND_TAKE_PHOTO) == int(CameraCommand::TakePhoto), "command numbers");
static_assert(int(kelvora::core::COMMAND_START_CONTINUOUS) == int(CameraCommand::StartContinuous),
              "command numbers");
static_assert(int(kelvora::core::COMMAND_STOP_CONTINUOUS) == int(CameraCommand::StopContinuous),
              "command numbers");
static_assert(int(kelvora::core::COMMAND_START_VIDEO) == int(CameraCommand::StartVideo), "command numbers");
static_assert(int(kelvora::core::COMMAND_STOP_VIDEO) == int(CameraCommand::StopVideo), "command numbers");

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

void CameraRPC::setSkippedFramesCallback(SkippedFramesCallback callback)
{
    m_pSession->setSkippedFramesCallback(m_strCamera, std::move(callback));
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
    m_bTriggerActivation = !ranges.no_trigger_activation();
    m_pSession->announceFrameBytes(m_strCamera, ranges.frame_bytes());
    *pInfo = info;
    return 0;
}

// Calls are logged by the row's name, as the named operation would be.
int CameraRPC::setParam(const CameraParam& param, const ParamNumber& number, std::string* pReason)
{
    const std::string strWhat = std::string("set ") + param.pName;
    if (number.type != param.type)
        return fail(int(grpc::StatusCode::INVALID_ARGUMENT), "value of another type than the parameter's",
                    pReason);
    int nResult = 0;
    const auto pStub = m_pSession->admit(strWhat.c_str(), &nResult);
    if (!pStub)
        return fail(nResult, CoreSession::admitReason(nResult), pReason);
    ParamValue value;
    value.set_param(kelvora::core::Param(param.nProtoParam));
    switch (param.type) {
    case ParamType::U32: value.set_u32(number.u32); break;
    case ParamType::F32: value.set_f32(number.f32); break;
    case ParamType::I32: value.set_i32(number.i32); break;
    }
    value.set_camera(m_strCamera);
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::Empty reply;
    const grpc::Status status = pStub->SetParam(&context, value, &reply);
    return fail(m_pSession->conclude(status, strWhat.c_str()), status.error_message(), pReason);
}

int CameraRPC::getParam(const CameraParam& param, ParamNumber* pNumber, std::string* pReason)
{
    const std::string strWhat = std::string("get ") + param.pName;
    if (pNumber == nullptr)
        return fail(nullArgument(strWhat.c_str()), "no place for the result", pReason);
    int nResult = 0;
    const auto pStub = m_pSession->admit(strWhat.c_str(), &nResult);
    if (!pStub)
        return fail(nResult, CoreSession::admitReason(nResult), pReason);
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::ParamRequest request;
    request.set_param(kelvora::core::Param(param.nProtoParam));
    request.set_camera(m_strCamera);
    ParamValue value;
    const grpc::Status status = pStub->GetParam(&context, request, &value);
    nResult = m_pSession->conclude(status, strWhat.c_str());
    if (nResult != 0)
        return fail(nResult, status.error_message(), pReason);
    switch (value.value_case()) {
    case ParamValue::kU32:
        if (param.type == ParamType::U32) {
            *pNumber = ParamNumber::ofU32(value.u32());
            return 0;
        }
        break;
    case ParamValue::kF32:
        if (param.type == ParamType::F32) {
            *pNumber = ParamNumber::ofF32(value.f32());
            return 0;
        }
        break;
    case ParamValue::kI32:
        if (param.type == ParamType::I32) {
            *pNumber = ParamNumber::ofI32(value.i32());
            return 0;
        }
        break;
    default: break;
    }
    spdlog::warn("{} failed: the core answered with another value type", strWhat);
    return fail(int(grpc::StatusCode::INTERNAL), "the core answered with another value type", pReason);
}

int CameraRPC::runCommand(CameraCommand command, std::string* pReason)
{
    const char* pWhat = "command";
    switch (command) {
    case CameraCommand::TakePhoto: pWhat = "takePhoto"; break;
    case CameraCommand::StartContinuous: pWhat = "startContinuous"; break;
    case CameraCommand::StopContinuous: pWhat = "stopContinuous"; break;
    case CameraCommand::StartVideo: pWhat = "startVideo"; break;
    case CameraCommand::StopVideo: pWhat = "stopVideo"; break;
    }
    int nResult = 0;
    const auto pStub = m_pSession->admit(pWhat, &nResult);
    if (!pStub)
        return fail(nResult, CoreSession::admitReason(nResult), pReason);
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::CommandRequest request;
    request.set_kind(kelvora::core::CommandKind(int(command)));
    request.set_camera(m_strCamera);
    kelvora::core::Empty reply;
    const grpc::Status status = pStub->Command(&context, request, &reply);
    return fail(m_pSession->conclude(status, pWhat), status.error_message(), pReason);
}

int CameraRPC::fail(int nResult, const std::string& strReason, std::string* pReason)
{
    if (nResult != 0 && pReason)
        *pReason = strReason;
    return nResult;
}
