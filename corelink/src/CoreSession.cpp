#include "CoreSession.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <random>

#include <spdlog/spdlog.h>

#include "CoreText.h"

namespace {

// How often the gate's thread asks a silent core whether it answers again.
constexpr std::chrono::milliseconds kProbePause{200};

std::shared_ptr<grpc::Channel> makeChannel(const std::string& strEndpoint, int nKeepaliveMs,
                                           const CoreSession::Tls& tls)
{
    grpc::ChannelArguments args;
    args.SetInt(GRPC_ARG_KEEPALIVE_TIME_MS, nKeepaliveMs);
    args.SetInt(GRPC_ARG_KEEPALIVE_TIMEOUT_MS, CoreSession::kKeepaliveTimeoutMs);
    // The streams are calls, but while nothing is shooting no data flows.
    args.SetInt(GRPC_ARG_KEEPALIVE_PERMIT_WITHOUT_CALLS, 1);
    // gRPC stops pinging after two pings without data unless this is 0.
    args.SetInt(GRPC_ARG_HTTP2_MAX_PINGS_WITHOUT_DATA, 0);
    args.SetMaxReceiveMessageSize(CoreSession::kMaxMessageBytes);
    args.SetMaxSendMessageSize(CoreSession::kMaxMessageBytes);
    // The default reconnect backoff grows to minutes; a restarted core must
    // be found again within a second or so. The "min" argument is also the
    // connect timeout: one second leaves a busy machine time to handshake.
    args.SetInt(GRPC_ARG_INITIAL_RECONNECT_BACKOFF_MS, 100);
    args.SetInt(GRPC_ARG_MIN_RECONNECT_BACKOFF_MS, 1000);
    args.SetInt(GRPC_ARG_MAX_RECONNECT_BACKOFF_MS, 1000);
    if (!tls.enabled())
        return grpc::CreateCustomChannel(strEndpoint, grpc::InsecureChannelCredentials(), args);
    grpc::SslCredentialsOptions ssl;
    ssl.pem_root_certs = tls.strCa;
    ssl.pem_cert_chain = tls.strCert;
    ssl.pem_private_key = tls.strKey;
    return grpc::CreateCustomChannel(strEndpoint, grpc::SslCredentials(ssl), args);
}

// What a failed TLS contact says about the certificates; 0 when it says nothing.
int classifyTlsFailure(const std::string& strMessage)
{
    const auto has = [&strMessage](const char* p) { return strMessage.find(p) != std::string::npos; };
    if (has("certificate verify failed") || has("Peer name") || has("peer name"))
        return INIT_CORE_CERTIFICATE_REJECTED;
    if (has("alert certificate required") || has("alert unknown ca") || has("alert bad certificate")
        || has("alert certificate expired") || has("alert handshake failure")
        || has("alert certificate unknown")
        || has("alert decrypt error")
        // TLS 1.3: the client's handshake is done before the core checks the
        // client's certificate, so a refusal shows as the core closing at once.
        || has("Socket closed"))
        return INIT_CLIENT_CERTIFICATE_REFUSED;
    if (has("andshake") || has("SSL") || has("ssl"))
        return INIT_TLS_HANDSHAKE_FAILED;
    return 0;
}

// Any answer counts, an error of the camera included; only silence does not.
bool answered(const grpc::Status& status)
{
    return status.error_code() != grpc::StatusCode::DEADLINE_EXCEEDED
        && status.error_code() != grpc::StatusCode::UNAVAILABLE
        && status.error_code() != grpc::StatusCode::CANCELLED;
}

// A token no other connection of any process holds.
std::string makeToken()
{
    std::random_device device;
    std::mt19937_64 generator((std::uint64_t(device()) << 32) ^ device()
                              ^ std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()));
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%016llx%016llx", static_cast<unsigned long long>(generator()),
                  static_cast<unsigned long long>(generator()));
    return buffer;
}

} // namespace

CoreSession::CoreSession()
    : m_responseGate(
        [this] {
            // A camera read, not a ping: a core may answer pings while its camera
            // calls hang, and the gate is about the camera calls.
            const auto pStub = stub();
            if (!pStub)
                return false;
            grpc::ClientContext context;
            prepare(context);
            kelvora::core::CameraRanges ranges;
            return answered(pStub->GetCameraInfo(&context, kelvora::core::CameraRequest(), &ranges));
        },
        kProbePause)
    , m_strToken(makeToken())
{
}

CoreSession::~CoreSession()
{
    m_responseGate.reset();
}

void CoreSession::setTls(const Tls& tls)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tls = tls;
}

int CoreSession::connect(const std::string& strEndpoint)
{
    Tls tls;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        tls = m_tls;
    }
    auto pChannel = makeChannel(strEndpoint, m_nKeepaliveMs.load(), tls);
    auto pStub = std::shared_ptr<kelvora::core::VisionCore::Stub>(
        kelvora::core::VisionCore::NewStub(pChannel));

    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + kConnectTimeout);
    // Give a core that is still starting the whole deadline to come up.
    context.set_wait_for_ready(true);
    identify(context);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bConnectCancelled = false;
        m_pConnectContext = &context;
    }
    kelvora::core::PingRequest request;
    request.set_client("corelink_client");
    kelvora::core::PingReply reply;
    const grpc::Status status = pStub->Ping(&context, request, &reply);
    bool bCancelled = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pConnectContext = nullptr;
        bCancelled = m_bConnectCancelled;
    }
    if (bCancelled)
        return int(grpc::StatusCode::CANCELLED);
    if (!status.ok()) {
        if (tls.enabled()) {
            // Waiting for a ready channel hides why it never became ready; a
            // call that does not wait reports the handshake's last error.
            grpc::ClientContext probe;
            probe.set_deadline(std::chrono::system_clock::now() + std::chrono::milliseconds(300));
            const grpc::Status failed = pStub->Ping(&probe, request, &reply);
            const int nTls = classifyTlsFailure(failed.error_message());
            spdlog::error("TLS with the vision core at {} failed: {} ({})", strEndpoint,
                          escapeCoreText(failed.error_message()), int(failed.error_code()));
            if (nTls != 0)
                return nTls;
        }
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

void CoreSession::cancelConnect()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bConnectCancelled = true;
    if (m_pConnectContext != nullptr)
        m_pConnectContext->TryCancel();
}

void CoreSession::disconnect()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pStub.reset();
        m_pChannel.reset();
    }
    m_responseGate.reset();
    std::lock_guard<std::mutex> lock(m_linkMutex);
    m_nStreamsUp = 0;
    m_bLinkUp = false;
}

void CoreSession::renewChannel(int nWaitMs)
{
    // One renewal at a time; the other stream finds the fresh channel.
    std::lock_guard<std::mutex> renewLock(m_renewMutex);
    std::shared_ptr<grpc::Channel> pCurrent;
    std::string strEndpoint;
    Tls tls;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pCurrent = m_pChannel;
        strEndpoint = m_strEndpoint;
        tls = m_tls;
    }
    if (!pCurrent)
        return;
    if (pCurrent->GetState(false) == GRPC_CHANNEL_READY)
        return;
    auto pChannel = makeChannel(strEndpoint, m_nKeepaliveMs.load(), tls);
    if (!pChannel->WaitForConnected(std::chrono::system_clock::now() + std::chrono::milliseconds(nWaitMs)))
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    // Not if uninit came in between.
    if (m_pChannel != pCurrent)
        return;
    m_pChannel = pChannel;
    m_pStub = std::shared_ptr<kelvora::core::VisionCore::Stub>(kelvora::core::VisionCore::NewStub(pChannel));
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

void CoreSession::prepare(grpc::ClientContext& context) const
{
    prepare(context, kCallTimeout);
}

void CoreSession::prepare(grpc::ClientContext& context, std::chrono::milliseconds timeout) const
{
    context.set_deadline(std::chrono::system_clock::now() + timeout);
    identify(context);
}

void CoreSession::identify(grpc::ClientContext& context) const
{
    context.AddMetadata("kelvora-client", m_strToken);
}

int CoreSession::check(const grpc::Status& status, const char* pWhat)
{
    if (status.ok())
        return 0;
    spdlog::warn("{} failed: {} ({})", pWhat, escapeCoreText(status.error_message()),
                 int(status.error_code()));
    return int(status.error_code());
}

std::shared_ptr<kelvora::core::VisionCore::Stub> CoreSession::admit(const char* pWhat, int* pCode)
{
    auto pStub = stub();
    if (!pStub) {
        spdlog::warn("{} failed: {}", pWhat, admitReason(kNotConnected));
        *pCode = kNotConnected;
        return nullptr;
    }
    if (!m_responseGate.isOpen()) {
        spdlog::warn("{} failed: {}", pWhat, admitReason(int(grpc::StatusCode::UNAVAILABLE)));
        *pCode = int(grpc::StatusCode::UNAVAILABLE);
        return nullptr;
    }
    *pCode = 0;
    return pStub;
}

std::string CoreSession::admitReason(int nCode)
{
    return nCode == kNotConnected ? "not connected to the vision core" : "the vision core does not answer";
}

int CoreSession::conclude(const grpc::Status& status, const char* pWhat)
{
    if (status.error_code() == grpc::StatusCode::DEADLINE_EXCEEDED)
        m_responseGate.reportTimeout();
    return check(status, pWhat);
}

void CoreSession::slowKeepalive(int nRefusedMs)
{
    // Both streams hear the same refusal; the interval doubles once.
    int nCurrent = nRefusedMs;
    const int nSlower = std::min(nCurrent * 2, kKeepaliveLimitMs);
    if (nSlower != nCurrent && m_nKeepaliveMs.compare_exchange_strong(nCurrent, nSlower))
        spdlog::warn("vision core refuses pings every {} ms; pinging every {} ms from now on", nCurrent,
                     nSlower);
}

void CoreSession::expectStreams(int nStreams)
{
    std::lock_guard<std::mutex> lock(m_linkMutex);
    m_nStreams = nStreams;
    m_nStreamsUp = 0;
    m_bLinkUp = false;
    m_bLinkWasUp = false;
}

void CoreSession::streamUp()
{
    std::lock_guard<std::mutex> lock(m_linkMutex);
    ++m_nStreamsUp;
    if (m_bLinkUp || m_nStreamsUp < m_nStreams)
        return;
    m_bLinkUp = true;
    // The first time is the connection that init reports itself.
    if (!m_bLinkWasUp) {
        m_bLinkWasUp = true;
        return;
    }
    // A core that came back answers calls again as well.
    m_responseGate.reset();
    spdlog::info("link to vision core at {} is up again", endpoint());
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        hook = m_reconnectHook;
    }
    if (hook)
        hook();
    deliver(m_linkCallback, true);
}

void CoreSession::streamDown()
{
    std::lock_guard<std::mutex> lock(m_linkMutex);
    if (m_nStreamsUp > 0)
        --m_nStreamsUp;
    if (!m_bLinkUp)
        return;
    m_bLinkUp = false;
    spdlog::warn("link to vision core at {} is down", endpoint());
    deliver(m_linkCallback, false);
}

void CoreSession::setLinkCallback(LinkCallback callback)
{
    replace(m_linkCallback, std::move(callback));
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
    deliverChosen<Callback>([&source] { return &source; }, args...);
}

template <typename Callback, typename Choose, typename... Args>
void CoreSession::deliverChosen(Choose choose, const Args&... args)
{
    Callback callback;
    std::unique_lock<std::mutex> lock(m_callbackMutex);
    const Callback* pSource = choose();
    if (pSource == nullptr || !*pSource)
        return;
    callback = *pSource;
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
            spdlog::error("a callback threw an {} ({}); {} so far", pFailure, escapeCoreText(strWhat),
                          nTotal);
    }
    // Gone before the pass lets a waiting setter on.
    callback = nullptr;
}

void CoreSession::setFrameCallback(FrameCallback callback)
{
    replace(m_frameCallback, std::move(callback));
}

void CoreSession::setCameraFrameCallback(const std::string& strCamera, FrameCallback callback)
{
    replaceFor(m_cameraFrameCallbacks, strCamera, std::move(callback));
}

template <typename Callback>
void CoreSession::replaceFor(std::map<std::string, Callback>& targets, const std::string& strCamera,
                             Callback callback)
{
    Callback previous;
    std::uint64_t nGeneration = 0;
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        auto it = targets.find(strCamera);
        if (it != targets.end()) {
            previous = std::move(it->second);
            targets.erase(it);
        }
        if (callback)
            targets.emplace(strCamera, std::move(callback));
        nGeneration = m_callbackGate.advance();
    }
    m_callbackGate.waitForCallsBefore(nGeneration);
}

void CoreSession::setReconnectHook(std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_reconnectHook = std::move(hook);
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

void CoreSession::setSkippedFramesCallback(const std::string& strCamera, SkippedFramesCallback callback)
{
    replaceFor(m_skippedCallbacks, strCamera, std::move(callback));
}

bool CoreSession::hasFrameCallback() const
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    return bool(m_frameCallback) || !m_cameraFrameCallbacks.empty();
}

void CoreSession::deliverFrame(const std::string& strCamera, const std::shared_ptr<VexaImage>& pImage)
{
    // Chosen under the callbacks' lock: a camera's own callback, else the general one.
    deliverChosen<FrameCallback>(
        [this, &strCamera]() -> const FrameCallback* {
            const auto it = m_cameraFrameCallbacks.find(strCamera);
            return it != m_cameraFrameCallbacks.end() ? &it->second : &m_frameCallback;
        },
        pImage);
}

void CoreSession::deliverResult(const std::shared_ptr<MeasureResultData>& pResult)
{
    deliver(m_resultCallback, pResult);
}

void CoreSession::deliverMessage(E_Message_Type type, const Json::Value& message)
{
    deliver(m_messageCallback, type, message);
}

void CoreSession::announceFrameBytes(const std::string& strCamera, std::uint64_t nBytes)
{
    std::lock_guard<std::mutex> lock(m_sizeMutex);
    if (nBytes == 0)
        m_frameBytes.erase(strCamera);
    else
        m_frameBytes[strCamera] = nBytes;
}

std::uint64_t CoreSession::announcedFrameBytes(const std::string& strCamera) const
{
    std::lock_guard<std::mutex> lock(m_sizeMutex);
    const auto it = m_frameBytes.find(strCamera);
    return it == m_frameBytes.end() ? 0 : it->second;
}

void CoreSession::rejectFrame(const std::string& strReason)
{
    if (const std::uint64_t nTotal = m_frameRejects.note())
        spdlog::warn("frame dropped: {} ({} dropped so far)", escapeCoreText(strReason), nTotal);
    deliver(m_rejectedFrameCallback, m_frameRejects.count(), strReason);
}

void CoreSession::noteSkipped(const std::string& strCamera, std::uint64_t nNewly)
{
    if (nNewly == 0)
        return;
    std::uint64_t nTotal = 0;
    {
        std::lock_guard<std::mutex> lock(m_skippedMutex);
        nTotal = m_skipped[strCamera] += nNewly;
    }
    if (m_skipLog.note())
        spdlog::warn(
            "the vision core left {} frames of camera '{}' out of the stream, {} so far: this client "
            "reads too slowly",
            nNewly, escapeCoreText(strCamera), nTotal);
    deliverChosen<SkippedFramesCallback>(
        [this, &strCamera]() -> const SkippedFramesCallback* {
            auto it = m_skippedCallbacks.find(strCamera);
            if (it == m_skippedCallbacks.end())
                it = m_skippedCallbacks.find(std::string());
            return it == m_skippedCallbacks.end() ? nullptr : &it->second;
        },
        nTotal);
}

std::uint64_t CoreSession::skippedFrames(const std::string& strCamera) const
{
    std::lock_guard<std::mutex> lock(m_skippedMutex);
    const auto it = m_skipped.find(strCamera);
    return it == m_skipped.end() ? 0 : it->second;
}

void CoreSession::rejectMessage(const std::string& strReason)
{
    if (const std::uint64_t nTotal = m_messageRejects.note())
        spdlog::warn("core message dropped: {} ({} dropped so far)", escapeCoreText(strReason), nTotal);
}
