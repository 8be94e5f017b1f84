#include "StubCore.h"

#include <chrono>

using namespace std::chrono_literals;

StubCore::StubCore() = default;

StubCore::~StubCore()
{
    stop();
}

bool StubCore::start(const Options& options)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = false;
    }
    grpc::ServerBuilder builder;
    builder.AddListeningPort("127.0.0.1:" + std::to_string(options.nPort), grpc::InsecureServerCredentials(),
                             &m_nPort);
    builder.RegisterService(this);
    builder.AddChannelArgument(GRPC_ARG_ALLOW_REUSEPORT, 0);
    if (options.bPermitPings) {
        builder.AddChannelArgument(GRPC_ARG_HTTP2_MIN_RECV_PING_INTERVAL_WITHOUT_DATA_MS, 500);
        builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_PERMIT_WITHOUT_CALLS, 1);
    }
    m_pServer = builder.BuildAndStart();
    return m_pServer && m_nPort != 0;
}

void StubCore::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_changed.notify_all();
    if (m_pServer) {
        m_pServer->Shutdown(std::chrono::system_clock::now() + 1s);
        m_pServer->Wait();
        m_pServer.reset();
    }
}

void StubCore::setSilent(bool bSilent)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bSilent = bSilent;
    }
    m_changed.notify_all();
}

std::vector<std::string> StubCore::log() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_log;
}

void StubCore::clearLog()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.clear();
    m_arrivals.clear();
}

std::vector<std::string> StubCore::arrivals() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_arrivals;
}

bool StubCore::waitWhileSilent(grpc::ServerContext* pContext, const char* pMethod)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_arrivals.push_back(pMethod);
    // Polled, since a cancelled call does not wake the condition.
    while (m_bSilent && !m_bStopping && !pContext->IsCancelled())
        m_changed.wait_for(lock, 20ms);
    return !m_bStopping && !pContext->IsCancelled();
}

grpc::Status StubCore::Ping(grpc::ServerContext* pContext, const kelvora::core::PingRequest*,
                            kelvora::core::PingReply* pReply)
{
    if (!waitWhileSilent(pContext, "Ping"))
        return grpc::Status(grpc::StatusCode::CANCELLED, "stopping");
    pReply->set_core("stub core");
    pReply->set_protocol(1);
    return grpc::Status::OK;
}

grpc::Status StubCore::GetCameraInfo(grpc::ServerContext* pContext, const kelvora::core::CameraRequest*,
                                     kelvora::core::CameraRanges* pReply)
{
    if (!waitWhileSilent(pContext, "GetCameraInfo"))
        return grpc::Status(grpc::StatusCode::CANCELLED, "stopping");
    pReply->set_width(64);
    pReply->set_height(48);
    pReply->set_exposure_min(20);
    pReply->set_exposure_max(100000);
    pReply->set_gain_min(0.0f);
    pReply->set_gain_max(24.0f);
    pReply->set_debounce_min(0);
    pReply->set_debounce_max(1000);
    pReply->set_trigger_gap_min(1.0f);
    pReply->set_trigger_gap_max(10000.0f);
    return grpc::Status::OK;
}

grpc::Status StubCore::SetParam(grpc::ServerContext* pContext, const kelvora::core::ParamValue* pRequest,
                                kelvora::core::Empty*)
{
    if (!waitWhileSilent(pContext, "SetParam"))
        return grpc::Status(grpc::StatusCode::CANCELLED, "stopping");
    std::lock_guard<std::mutex> lock(m_mutex);
    m_params[pRequest->param()] = *pRequest;
    std::string strValue;
    switch (pRequest->value_case()) {
    case kelvora::core::ParamValue::kU32: strValue = std::to_string(pRequest->u32()); break;
    case kelvora::core::ParamValue::kF32: strValue = std::to_string(pRequest->f32()); break;
    case kelvora::core::ParamValue::kI32: strValue = std::to_string(pRequest->i32()); break;
    default: break;
    }
    m_log.push_back("set:" + kelvora::core::Param_Name(pRequest->param()) + "=" + strValue);
    return grpc::Status::OK;
}

grpc::Status StubCore::GetParam(grpc::ServerContext* pContext, const kelvora::core::ParamRequest* pRequest,
                                kelvora::core::ParamValue* pReply)
{
    if (!waitWhileSilent(pContext, "GetParam"))
        return grpc::Status(grpc::StatusCode::CANCELLED, "stopping");
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_params.find(pRequest->param());
    if (it != m_params.end()) {
        *pReply = it->second;
        return grpc::Status::OK;
    }
    pReply->set_param(pRequest->param());
    switch (pRequest->param()) {
    case kelvora::core::PARAM_EXPOSURE: pReply->set_u32(1000); break;
    case kelvora::core::PARAM_GAIN:
    case kelvora::core::PARAM_TRIGGER_GAP: pReply->set_f32(1.0f); break;
    default: pReply->set_i32(0); break;
    }
    return grpc::Status::OK;
}

grpc::Status StubCore::Command(grpc::ServerContext* pContext, const kelvora::core::CommandRequest* pRequest,
                               kelvora::core::Empty*)
{
    if (!waitWhileSilent(pContext, "Command"))
        return grpc::Status(grpc::StatusCode::CANCELLED, "stopping");
    std::lock_guard<std::mutex> lock(m_mutex);
    m_log.push_back("command:" + kelvora::core::CommandKind_Name(pRequest->kind()));
    return grpc::Status::OK;
}

grpc::Status StubCore::NotifyLoadUI(grpc::ServerContext* pContext,
                                    const kelvora::core::LoadUIRequest* pRequest,
                                    kelvora::core::LoadUIReply* pReply)
{
    if (!waitWhileSilent(pContext, "NotifyLoadUI"))
        return grpc::Status(grpc::StatusCode::CANCELLED, "stopping");
    pReply->set_state(pRequest->state());
    return grpc::Status::OK;
}

template <typename Writer>
grpc::Status StubCore::holdSubscription(grpc::ServerContext* pContext, Writer* pWriter)
{
    if (!waitWhileSilent(pContext, "Subscribe"))
        return grpc::Status(grpc::StatusCode::CANCELLED, "stopping");
    ++m_nSubscriptions;
    // The client counts a subscription as registered once it sees this.
    pContext->AddInitialMetadata("kelvora-subscribed", "1");
    pWriter->SendInitialMetadata();
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bStopping && !pContext->IsCancelled())
        m_changed.wait_for(lock, 20ms);
    return grpc::Status::OK;
}

grpc::Status StubCore::SubscribeFrames(grpc::ServerContext* pContext, const kelvora::core::SubscribeRequest*,
                                       grpc::ServerWriter<kelvora::core::Frame>* pWriter)
{
    return holdSubscription(pContext, pWriter);
}

grpc::Status StubCore::SubscribeEvents(grpc::ServerContext* pContext, const kelvora::core::SubscribeRequest*,
                                       grpc::ServerWriter<kelvora::core::Event>* pWriter)
{
    return holdSubscription(pContext, pWriter);
}
