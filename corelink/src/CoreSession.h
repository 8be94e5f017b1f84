#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include <grpcpp/grpcpp.h>

#include "CallbackGate.h"
#include "DropCounter.h"
#include "ResponseGate.h"
#include "corelink/CommTypes.h"
#include "vision_core.grpc.pb.h"

// State shared by a connection and its camera: the channel to the core, the
// per-call deadline, whether the core answers calls, whether both streams are
// up, and the callbacks that the stream threads invoke.
class CoreSession
{
public:
    // Camera calls answer in milliseconds; they run on the operator's GUI
    // thread, so a core that does not answer may hold it this long at most
    // (the window stops for under half a second).
    static constexpr std::chrono::milliseconds kCallTimeout{450};
    // First contact, made off the GUI thread: a starting core gets longer.
    static constexpr std::chrono::milliseconds kConnectTimeout{1000};
    // HTTP/2 pings on an otherwise silent link, and how long an answer may
    // take: a core whose host vanished (no FIN, no RST) is noticed within
    // about two seconds. A core that refuses pings this often makes the
    // interval double, up to the five minutes that every gRPC server accepts.
    static constexpr int kKeepaliveMs = 1000;
    static constexpr int kKeepaliveTimeoutMs = 1000;
    static constexpr int kKeepaliveLimitMs = 5 * 60 * 1000;
    // The cap of the core's frames (96 MiB of pixels) and a header: the
    // channel's limit. Each camera's frames are held to the size it told.
    static constexpr int kMaxMessageBytes = 96 * 1024 * 1024 + 64 * 1024;
    static constexpr int kNotConnected = -1;

    // PEM texts of a TLS link; empty ca: plaintext.
    struct Tls
    {
        std::string strCa;
        std::string strCert;
        std::string strKey;
        bool enabled() const { return !strCa.empty(); }
    };

    CoreSession();
    ~CoreSession();

    // For the channels made from now on.
    void setTls(const Tls& tls);

    // Builds the channel and waits up to kConnectTimeout for the core to
    // answer. Returns 0 or a non-zero code, and keeps no channel on failure.
    int connect(const std::string& strEndpoint);
    // Ends a connect() in progress on another thread early.
    void cancelConnect();
    void disconnect();
    // After a stream broke: replaces the channel by a fresh one once that
    // one reaches the core (waiting at most nWaitMs). gRPC's own reconnection
    // of a broken channel lagged seconds behind a restarted core.
    void renewChannel(int nWaitMs);

    std::shared_ptr<grpc::Channel> channel() const;
    std::shared_ptr<kelvora::core::VisionCore::Stub> stub() const;
    std::string endpoint() const;

    // A context with the call deadline set and this connection's token.
    void prepare(grpc::ClientContext& context) const;
    void prepare(grpc::ClientContext& context, std::chrono::milliseconds timeout) const;
    // Tells the core who is calling (on streams as on calls).
    void identify(grpc::ClientContext& context) const;
    const std::string& token() const { return m_strToken; }
    // 0 for OK, else logs "what: reason" (the core's text escaped) and returns
    // the status code.
    static int check(const grpc::Status& status, const char* pWhat);

    // The stub for one camera call, or null (with the reason logged and its
    // code in *pCode) when not connected or while the core does not answer.
    std::shared_ptr<kelvora::core::VisionCore::Stub> admit(const char* pWhat, int* pCode);
    // Why admit() refused a call with this code.
    static std::string admitReason(int nCode);
    // The outcome of an admitted call: checks it and closes the gate on a
    // deadline that ran out.
    int conclude(const grpc::Status& status, const char* pWhat);
    bool answering() const { return m_responseGate.isOpen(); }
    std::uint64_t unansweredOutages() const { return m_responseGate.closures(); }

    // Interval of the keepalive pings for channels made from now on.
    int keepaliveMs() const { return m_nKeepaliveMs.load(); }
    // The core closed the link for pinging too often at the given interval:
    // ping half as often.
    void slowKeepalive(int nRefusedMs);

    // Link state: up once every stream of the connection is subscribed,
    // down when one of them broke. The callback hears each change.
    void expectStreams(int nStreams);
    void streamUp();
    void streamDown();
    void setLinkCallback(LinkCallback callback);
    // Runs on a stream thread when the link is back, before the link callback.
    void setReconnectHook(std::function<void()> hook);

    // Once a setter returns, the callback it replaced is not running on any
    // stream thread (unless the setter was called from inside that callback).
    void setFrameCallback(FrameCallback callback);
    // Frames of one camera; they no longer reach the general frame callback.
    void setCameraFrameCallback(const std::string& strCamera, FrameCallback callback);
    void setResultCallback(ResultCallback callback);
    void setMessageCallback(MessageCallback callback);
    void setRejectedFrameCallback(RejectedFrameCallback callback);
    // Empty camera: for every camera without a callback of its own.
    void setSkippedFramesCallback(const std::string& strCamera, SkippedFramesCallback callback);
    bool hasFrameCallback() const;

    // Stream threads: call the callback that is set, if any.
    void deliverFrame(const std::string& strCamera, const std::shared_ptr<VexaImage>& pImage);
    void deliverResult(const std::shared_ptr<MeasureResultData>& pResult);
    void deliverMessage(E_Message_Type type, const Json::Value& message);
    // A frame the core sent but that could not be used: counted, logged at a
    // bounded rate and reported to the rejected-frame callback.
    void rejectFrame(const std::string& strReason);
    // A status message that could not be used: counted and logged at a bounded rate.
    void rejectMessage(const std::string& strReason);
    // The core left nNewly more frames of the camera out of a stream: counted,
    // logged at a bounded rate and reported to the camera's skipped-frames callback.
    void noteSkipped(const std::string& strCamera, std::uint64_t nNewly);
    std::uint64_t skippedFrames(const std::string& strCamera) const;

    // The pixel bytes of the largest frame a camera sends, as the core told it
    // (opening, ranges); 0 forgets it. "" is the camera that names none.
    void announceFrameBytes(const std::string& strCamera, std::uint64_t nBytes);
    // What the camera told; 0 where it told nothing.
    std::uint64_t announcedFrameBytes(const std::string& strCamera) const;

    std::uint64_t rejectedFrames() const { return m_frameRejects.count(); }
    std::uint64_t rejectedMessages() const { return m_messageRejects.count(); }
    std::uint64_t failedCallbacks() const { return m_callbackFailures.count(); }

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<grpc::Channel> m_pChannel;
    std::shared_ptr<kelvora::core::VisionCore::Stub> m_pStub;
    std::string m_strEndpoint;
    Tls m_tls;
    std::mutex m_renewMutex;
    grpc::ClientContext* m_pConnectContext = nullptr;
    bool m_bConnectCancelled = false;
    std::atomic<int> m_nKeepaliveMs{kKeepaliveMs};
    ResponseGate m_responseGate;

    // Serialises link changes with their callbacks, so they arrive in order.
    std::mutex m_linkMutex;
    int m_nStreams = 0;
    int m_nStreamsUp = 0;
    bool m_bLinkUp = false;
    bool m_bLinkWasUp = false;

    template <typename Callback>
    void replace(Callback& target, Callback callback);
    // The same for one camera's callback; an empty one removes it.
    template <typename Callback>
    void replaceFor(std::map<std::string, Callback>& targets, const std::string& strCamera,
                    Callback callback);
    template <typename Callback, typename... Args>
    void deliver(const Callback& source, const Args&... args);
    // Calls the callback that choose() (run under the callbacks' lock) points at.
    template <typename Callback, typename Choose, typename... Args>
    void deliverChosen(Choose choose, const Args&... args);

    mutable std::mutex m_callbackMutex;
    CallbackGate m_callbackGate;
    FrameCallback m_frameCallback;
    std::map<std::string, FrameCallback> m_cameraFrameCallbacks;
    std::function<void()> m_reconnectHook;
    const std::string m_strToken;
    ResultCallback m_resultCallback;
    MessageCallback m_messageCallback;
    RejectedFrameCallback m_rejectedFrameCallback;
    std::map<std::string, SkippedFramesCallback> m_skippedCallbacks;
    // Frames the core left out, per camera, since the session began.
    mutable std::mutex m_skippedMutex;
    std::map<std::string, std::uint64_t> m_skipped;
    DropCounter m_skipLog;

    mutable std::mutex m_sizeMutex;
    std::map<std::string, std::uint64_t> m_frameBytes;

    DropCounter m_frameRejects;
    DropCounter m_messageRejects;
    DropCounter m_callbackFailures;
    LinkCallback m_linkCallback;
};
