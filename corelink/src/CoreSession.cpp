#include "CoreSession.h"

#include <exception>

#include <spdlog/spdlog.h>

#include "CoreText.h"

namespace {

std::shared_ptr<grpc::Channel> makeChannel(const std::string& strEndpoint)
{
    grpc::ChannelArguments args;
    args.SetMaxReceiveMessageSize(CoreSession::kMaxMessageBytes);
    args.SetMaxSendMessageSize(CoreSession::kMaxMessageBytes);
    // The default reconnect backoff grows to minutes; a restarted core must
    // be found again within a second or so. The "min" argument is also the
    // connect timeout: one second leaves a busy machine time to handshake.
    args.SetInt(GRPC_ARG_INITIAL_RECONNECT_BACKOFF_MS, 100);
    args.SetInt(GRPC_ARG_MIN_RECONNECT_BACKOFF_MS, 1000);
    args.SetInt(GRPC_ARG_MAX_RECONNECT_BACKOFF_MS, 1000);
    return grpc::CreateCustomChannel(strEndpoint, grpc::InsecureChannelCredentials(), args);
}

} // namespace

int CoreSession::connect(const std::string& strEndpoint)
{
    auto pChannel = makeChannel(strEndpoint);
    auto pStub = std::shared_ptr<kelvora::core::VisionCore::Stub>(
        kelvora::core::VisionCore::NewStub(pChannel));

    grpc::ClientContext context;
    prepare(context);
    // Give a core that is still starting the whole deadline to come up.
    context.set_wait_for_ready(true);
    kelvora::core::PingRequest request;
    request.set_client("corelink_client");
    kelvora::core::PingReply reply;
    const grpc::Status status = pStub->Ping(&context, request, &reply);
    if (!status.ok()) {
        spdlog::error("vision core at {} did not answer: {} ({})", strEndpoint,
                      escapeCoreText(status.error_message()), int(status.error_code()));
        return int(status.error_code());
    }
    spdlog::info("connected to vision core '{}' at {}, protocol {}", escapeCoreText(reply.core()),
                 strEndpoint, reply.protocol());

    std::lock_guard<std::mutex> lock(m_mutex);
    m_pChannel = pChannel;
    m_pStub = pStub;
    m_strEndpoint = strEndpoint;
    return 0;
}

void CoreSession::disconnect()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pStub.reset();
    m_pChannel.reset();
}

void CoreSession::renewChannel(int nWaitMs)
{
    // One renewal at a time; the other stream finds the fresh channel.
    std::lock_guard<std::mutex> renewLock(m_renewMutex);
    std::shared_ptr<grpc::Channel> pCurrent;
    std::string strEndpoint;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pCurrent = m_pChannel;
        strEndpoint = m_strEndpoint;
    }
    if (!pCurrent)
        return;
    if (pCurrent->GetState(false) == GRPC_CHANNEL_READY)
        return;
    auto pChannel = makeChannel(strEndpoint);
    if (!pChannel->WaitForConnected(std::chrono::system_clock::now()
                                    + std::chrono::milliseconds(nWaitMs)))
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    // Not if uninit came in between.
    if (m_pChannel != pCurrent)
        return;
    m_pChannel = pChannel;
    m_pStub = std::shared_ptr<kelvora::core::VisionCore::Stub>(
        kelvora::core::VisionCore::NewStub(pChannel));
    spdlog::info("vision core at {} reachable again", strEndpoint);
}

std::shared_ptr<grpc::Channel> CoreSession::channel() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pChannel;
}

std::shared_ptr<kelvora::core::VisionCore::Stub> CoreSession::stub() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_pStub;
}

std::string CoreSession::endpoint() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_strEndpoint;
}

void CoreSession::prepare(grpc::ClientContext& context)
{
    context.set_deadline(std::chrono::system_clock::now() + kCallTimeout);
}

int CoreSession::check(const grpc::Status& status, const char* pWhat)
{
    if (status.ok())
        return 0;
    spdlog::warn("{} failed: {} ({})", pWhat, escapeCoreText(status.error_message()),
                 int(status.error_code()));
    return int(status.error_code());
}

template <typename Callback>
void CoreSession::replace(Callback& target, Callback callback)
{
    std::uint64_t nGeneration = 0;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        // The old callback is destroyed outside the lock, after its last call.
        std::swap(target, callback);
        nGeneration = m_callbackGate.advance();
    }
    m_callbackGate.waitForCallsBefore(nGeneration);
}

template <typename Callback, typename... Args>
void CoreSession::deliver(const Callback& source, const Args&... args)
{
    Callback callback;
    std::unique_lock<std::mutex> lock(m_callbackMutex);
    if (!source)
        return;
    callback = source;
    const CallbackGate::Pass pass = m_callbackGate.enter();
    lock.unlock();
    // A callback runs the receiver's code on this library's thread: whatever it
    // throws stops here, or it would end the whole process.
    const char* pFailure = nullptr;
    std::string strWhat;
    try {
        callback(args...);
    } catch (const std::exception& e) {
        pFailure = "exception";
        strWhat = e.what();
    } catch (...) {
        pFailure = "unknown exception";
    }
    if (pFailure != nullptr) {
        if (const std::uint64_t nTotal = m_callbackFailures.note())
            spdlog::error("a callback threw an {} ({}); {} so far", pFailure,
                          escapeCoreText(strWhat), nTotal);
    }
    // Gone before the pass lets a waiting setter on.
    callback = nullptr;
}

void CoreSession::setFrameCallback(FrameCallback callback)
{
    replace(m_frameCallback, std::move(callback));
}

void CoreSession::setResultCallback(ResultCallback callback)
{
    replace(m_resultCallback, std::move(callback));
}

void CoreSession::setMessageCallback(MessageCallback callback)
{
    replace(m_messageCallback, std::move(callback));
}

void CoreSession::setRejectedFrameCallback(RejectedFrameCallback callback)
{
    replace(m_rejectedFrameCallback, std::move(callback));
}

bool CoreSession::hasFrameCallback() const
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    return bool(m_frameCallback);
}

void CoreSession::deliverFrame(const std::shared_ptr<VexaImage>& pImage)
{
    deliver(m_frameCallback, pImage);
}

void CoreSession::deliverResult(const std::shared_ptr<MeasureResultData>& pResult)
{
    deliver(m_resultCallback, pResult);
}

void CoreSession::deliverMessage(E_Message_Type type, const Json::Value& message)
{
    deliver(m_messageCallback, type, message);
}

void CoreSession::rejectFrame(const std::string& strReason)
{
    if (const std::uint64_t nTotal = m_frameRejects.note())
        spdlog::warn("frame dropped: {} ({} dropped so far)", escapeCoreText(strReason), nTotal);
    deliver(m_rejectedFrameCallback, m_frameRejects.count(), strReason);
}

void CoreSession::rejectMessage(const std::string& strReason)
{
    if (const std::uint64_t nTotal = m_messageRejects.note())
        spdlog::warn("core message dropped: {} ({} dropped so far)", escapeCoreText(strReason),
                     nTotal);
}
