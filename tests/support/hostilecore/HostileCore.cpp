#include "HostileCore.h"

#include <algorithm>

namespace {
// Streams look at the stop flag and at a cancelled client this often.
constexpr std::chrono::milliseconds kPoll{50};
}

HostileCore::HostileCore() = default;

HostileCore::~HostileCore()
{
    stop();
}

bool HostileCore::start()
{
    grpc::ServerBuilder builder;
    builder.AddListeningPort("127.0.0.1:0", grpc::InsecureServerCredentials(), &m_nPort);
    builder.SetMaxSendMessageSize(64 * 1024 * 1024);
    // Accepts the client's keepalive pings, as the project's cores do.
    builder.AddChannelArgument(GRPC_ARG_HTTP2_MIN_RECV_PING_INTERVAL_WITHOUT_DATA_MS, 500);
    builder.AddChannelArgument(GRPC_ARG_KEEPALIVE_PERMIT_WITHOUT_CALLS, 1);
    builder.RegisterService(this);
    m_pServer = builder.BuildAndStart();
    return m_pServer && m_nPort > 0;
}

void HostileCore::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStopping)
            return;
        m_bStopping = true;
    }
    m_changed.notify_all();
    if (m_pServer) {
        m_pServer->Shutdown(std::chrono::system_clock::now() + std::chrono::seconds(2));
        m_pServer->Wait();
    }
}

void HostileCore::setCoreName(const std::string& strName)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_strCoreName = strName;
}

void HostileCore::failCalls(grpc::StatusCode code, const std::string& strMessage)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_callStatus = code == grpc::StatusCode::OK ? grpc::Status::OK : grpc::Status(code, strMessage);
}

grpc::Status HostileCore::callOutcome()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_callStatus;
}

bool HostileCore::waitForSubscribers(int nFrames, int nEvents, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [&] {
        return int(m_frameOutboxes.size()) >= nFrames && int(m_eventOutboxes.size()) >= nEvents;
    });
}

template <typename T>
void HostileCore::queue(std::list<std::shared_ptr<Outbox<T>>>& outboxes, const T& item, int nCopies)
{
    const auto pItem = std::make_shared<const T>(item);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& pOutbox : outboxes)
            pOutbox->items.emplace_back(pItem, nCopies);
    }
    m_changed.notify_all();
}

void HostileCore::sendFrame(const Frame& frame, int nCopies)
{
    queue(m_frameOutboxes, frame, nCopies);
}

void HostileCore::sendEvent(const Event& event, int nCopies)
{
    queue(m_eventOutboxes, event, nCopies);
}

bool HostileCore::allSent() const
{
    const auto empty = [](const auto& outboxes) {
        return std::all_of(outboxes.begin(), outboxes.end(),
                           [](const auto& pOutbox) { return pOutbox->items.empty() && !pOutbox->bBusy; });
    };
    return empty(m_frameOutboxes) && empty(m_eventOutboxes);
}

bool HostileCore::waitSent(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, timeout, [this] { return allSent(); });
}

template <typename T>
grpc::Status HostileCore::serve(grpc::ServerContext* pContext, grpc::ServerWriter<T>* pWriter,
                                std::list<std::shared_ptr<Outbox<T>>>& outboxes,
                                std::atomic<std::uint64_t>& nWritten)
{
    // The client waits for this header before it counts as subscribed.
    pContext->AddInitialMetadata("kelvora-subscribed", "1");
    pWriter->SendInitialMetadata();
    auto pOutbox = std::make_shared<Outbox<T>>();
    std::unique_lock<std::mutex> lock(m_mutex);
    auto it = outboxes.insert(outboxes.end(), pOutbox);
    m_changed.notify_all();
    bool bOpen = true;
    while (bOpen && !m_bStopping && !pContext->IsCancelled()) {
        if (pOutbox->items.empty()) {
            m_changed.wait_for(lock, kPoll);
            continue;
        }
        auto& front = pOutbox->items.front();
        const std::shared_ptr<const T> pItem = front.first;
        if (--front.second <= 0)
            pOutbox->items.pop_front();
        pOutbox->bBusy = true;
        lock.unlock();
        bOpen = pWriter->Write(*pItem);
        if (bOpen)
            ++nWritten;
        lock.lock();
        pOutbox->bBusy = false;
        if (pOutbox->items.empty())
            m_changed.notify_all();
    }
    // What this stream still held is never sent.
    outboxes.erase(it);
    m_changed.notify_all();
    return grpc::Status::OK;
}

grpc::Status HostileCore::SubscribeFrames(grpc::ServerContext* pContext,
                                          const kelvora::core::SubscribeRequest*,
                                          grpc::ServerWriter<Frame>* pWriter)
{
    return serve(pContext, pWriter, m_frameOutboxes, m_nFramesWritten);
}

grpc::Status HostileCore::SubscribeEvents(grpc::ServerContext* pContext,
                                          const kelvora::core::SubscribeRequest*,
                                          grpc::ServerWriter<Event>* pWriter)
{
    return serve(pContext, pWriter, m_eventOutboxes, m_nEventsWritten);
}

grpc::Status HostileCore::Ping(grpc::ServerContext*, const kelvora::core::PingRequest*,
                               kelvora::core::PingReply* pReply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    pReply->set_core(m_strCoreName);
    pReply->set_protocol(1);
    return grpc::Status::OK;
}

grpc::Status HostileCore::GetCameraInfo(grpc::ServerContext*, const kelvora::core::CameraRequest*,
                                        kelvora::core::CameraRanges* pRanges)
{
    pRanges->set_width(64);
    pRanges->set_height(48);
    pRanges->set_exposure_min(10);
    pRanges->set_exposure_max(100000);
    pRanges->set_gain_max(10.0f);
    pRanges->set_trigger_gap_max(1000.0f);
    pRanges->set_frame_bytes(m_nFrameBytes);
    return callOutcome();
}

grpc::Status HostileCore::SetParam(grpc::ServerContext*, const kelvora::core::ParamValue*,
                                   kelvora::core::Empty*)
{
    return callOutcome();
}

grpc::Status HostileCore::GetParam(grpc::ServerContext*, const kelvora::core::ParamRequest* pRequest,
                                   kelvora::core::ParamValue* pValue)
{
    pValue->set_param(pRequest->param());
    switch (pRequest->param()) {
    case kelvora::core::PARAM_EXPOSURE: pValue->set_u32(1000); break;
    case kelvora::core::PARAM_GAIN:
    case kelvora::core::PARAM_TRIGGER_GAP: pValue->set_f32(1.0f); break;
    default: pValue->set_i32(0); break;
    }
    return callOutcome();
}

grpc::Status HostileCore::Command(grpc::ServerContext*, const kelvora::core::CommandRequest*,
                                  kelvora::core::Empty*)
{
    ++m_nCommands;
    return callOutcome();
}

grpc::Status HostileCore::NotifyLoadUI(grpc::ServerContext*, const kelvora::core::LoadUIRequest* pRequest,
                                       kelvora::core::LoadUIReply* pReply)
{
    pReply->set_state(pRequest->state());
    return grpc::Status::OK;
}

HostileCore::Frame HostileCore::frame(int nWidth, int nHeight, kelvora::core::PixelType type,
                                      unsigned char nValue, std::uint64_t nIdentifier)
{
    const int nChannels = type == kelvora::core::PIXEL_GRAY ? 1 : type == kelvora::core::PIXEL_BGR ? 3 : 4;
    Frame frame;
    frame.set_identifier(nIdentifier);
    frame.set_width(nWidth);
    frame.set_height(nHeight);
    frame.set_type(type);
    frame.set_width_step(nWidth * nChannels);
    frame.set_data(std::string(size_t(nWidth) * nChannels * nHeight, char(nValue)));
    return frame;
}

HostileCore::Event HostileCore::message(const std::string& strJson, int nType)
{
    Event event;
    event.mutable_message()->set_type(nType);
    event.mutable_message()->set_json(strJson);
    return event;
}
