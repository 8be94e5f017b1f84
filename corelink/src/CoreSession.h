#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>

#include <grpcpp/grpcpp.h>

#include "CallbackGate.h"
#include "DropCounter.h"
#include "corelink/CommTypes.h"
#include "vision_core.grpc.pb.h"

// State shared by a connection and its camera: the channel to the core, the
// per-call deadline and the callbacks that the stream threads invoke.
class CoreSession
{
public:
    static constexpr std::chrono::milliseconds kCallTimeout{2000};
    // 2448 x 2048 x 4 bytes with room to spare.
    static constexpr int kMaxMessageBytes = 64 * 1024 * 1024;
    static constexpr int kNotConnected = -1;

    // Builds the channel and waits up to kCallTimeout for the core to answer.
    // Returns 0 or a non-zero code, and keeps no channel on failure.
    int connect(const std::string& strEndpoint);
    void disconnect();
    // After a stream broke: replaces the channel by a fresh one once that
    // one reaches the core (waiting at most nWaitMs). gRPC's own reconnection
    // of a broken channel lagged seconds behind a restarted core.
    void renewChannel(int nWaitMs);

    std::shared_ptr<grpc::Channel> channel() const;
    std::shared_ptr<kelvora::core::VisionCore::Stub> stub() const;
    std::string endpoint() const;

    // A context with the call deadline set.
    static void prepare(grpc::ClientContext& context);
    // 0 for OK, else logs "what: reason" (the core's text escaped) and returns
    // the status code.
    static int check(const grpc::Status& status, const char* pWhat);

    // Once a setter returns, the callback it replaced is not running on any
    // stream thread (unless the setter was called from inside that callback).
    void setFrameCallback(FrameCallback callback);
    void setResultCallback(ResultCallback callback);
    void setMessageCallback(MessageCallback callback);
    void setRejectedFrameCallback(RejectedFrameCallback callback);
    bool hasFrameCallback() const;

    // Stream threads: call the callback that is set, if any.
    void deliverFrame(const std::shared_ptr<VexaImage>& pImage);
    void deliverResult(const std::shared_ptr<MeasureResultData>& pResult);
    void deliverMessage(E_Message_Type type, const Json::Value& message);
    // A frame the core sent but that could not be used: counted, logged at a
    // bounded rate and reported to the rejected-frame callback.
    void rejectFrame(const std::string& strReason);
    // A status message that could not be used: counted and logged at a bounded rate.
    void rejectMessage(const std::string& strReason);

    std::uint64_t rejectedFrames() const { return m_frameRejects.count(); }
    std::uint64_t rejectedMessages() const { return m_messageRejects.count(); }
    std::uint64_t failedCallbacks() const { return m_callbackFailures.count(); }

private:
    mutable std::mutex m_mutex;
    std::shared_ptr<grpc::Channel> m_pChannel;
    std::shared_ptr<kelvora::core::VisionCore::Stub> m_pStub;
    std::string m_strEndpoint;
    std::mutex m_renewMutex;

    template <typename Callback>
    void replace(Callback& target, Callback callback);
    template <typename Callback, typename... Args>
    void deliver(const Callback& source, const Args&... args);

    mutable std::mutex m_callbackMutex;
    CallbackGate m_callbackGate;
    FrameCallback m_frameCallback;
    ResultCallback m_resultCallback;
    MessageCallback m_messageCallback;
    RejectedFrameCallback m_rejectedFrameCallback;

    DropCounter m_frameRejects;
    DropCounter m_messageRejects;
    DropCounter m_callbackFailures;
};
