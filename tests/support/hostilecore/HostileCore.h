#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include <grpcpp/grpcpp.h>

#include "vision_core.grpc.pb.h"

// A vision core that does what a test tells it, for trying the client as an
// attacker would: it answers Ping with any name, fails calls with any error
// text, and pushes any frames and events down the subscriptions, as many and
// as fast as the test asks. Listens on 127.0.0.1 on a free port. Free of Qt.
class HostileCore : public kelvora::core::VisionCore::Service
{
public:
    using Frame = kelvora::core::Frame;
    using Event = kelvora::core::Event;

    HostileCore();
    ~HostileCore() override;

    // Starts listening on a free loopback port; false if it could not.
    bool start();
    // Ends every stream and stops the server. Safe to call twice.
    void stop();
    int port() const { return m_nPort; }
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(m_nPort); }

    // The name Ping answers with.
    void setCoreName(const std::string& strName);
    // The frame size GetCameraInfo tells (0: none, as older cores).
    void setFrameBytes(std::uint64_t nBytes) { m_nFrameBytes = nBytes; }
    // From now on every Command, SetParam and GetParam fails with this status
    // (code OK: they succeed again).
    void failCalls(grpc::StatusCode code, const std::string& strMessage);
    // Command calls received so far.
    int commands() const { return m_nCommands.load(); }

    // Waits until at least this many clients hold a frame and an event subscription.
    bool waitForSubscribers(int nFrames, int nEvents, std::chrono::milliseconds timeout);
    // Queues for every current subscriber, nCopies times; written as fast as
    // each stream takes them.
    void sendFrame(const Frame& frame, int nCopies = 1);
    void sendEvent(const Event& event, int nCopies = 1);
    // Waits until every queued item has been written (or the stream ended).
    bool waitSent(std::chrono::milliseconds timeout);
    std::uint64_t framesWritten() const { return m_nFramesWritten.load(); }
    std::uint64_t eventsWritten() const { return m_nEventsWritten.load(); }

    // A frame of uniform pixels, consistent in every field.
    static Frame frame(int nWidth, int nHeight, kelvora::core::PixelType type, unsigned char nValue,
                       std::uint64_t nIdentifier);
    // A status message event carrying this text as its JSON.
    static Event message(const std::string& strJson, int nType = 0);

    grpc::Status Ping(grpc::ServerContext*, const kelvora::core::PingRequest*,
                      kelvora::core::PingReply* pReply) override;
    grpc::Status GetCameraInfo(grpc::ServerContext*, const kelvora::core::CameraRequest*,
                               kelvora::core::CameraRanges* pRanges) override;
    grpc::Status SetParam(grpc::ServerContext*, const kelvora::core::ParamValue*,
                          kelvora::core::Empty*) override;
    grpc::Status GetParam(grpc::ServerContext*, const kelvora::core::ParamRequest* pRequest,
                          kelvora::core::ParamValue* pValue) override;
    grpc::Status Command(grpc::ServerContext*, const kelvora::core::CommandRequest*,
                         kelvora::core::Empty*) override;
    grpc::Status NotifyLoadUI(grpc::ServerContext*, const kelvora::core::LoadUIRequest* pRequest,
                              kelvora::core::LoadUIReply* pReply) override;
    grpc::Status SubscribeFrames(grpc::ServerContext* pContext, const kelvora::core::SubscribeRequest*,
                                 grpc::ServerWriter<Frame>* pWriter) override;
    grpc::Status SubscribeEvents(grpc::ServerContext* pContext, const kelvora::core::SubscribeRequest*,
                                 grpc::ServerWriter<Event>* pWriter) override;

private:
    // What one subscription still has to write: items and how often each.
    template <typename T>
    struct Outbox
    {
        std::deque<std::pair<std::shared_ptr<const T>, int>> items;
        bool bBusy = false;
    };

    template <typename T>
    grpc::Status serve(grpc::ServerContext* pContext, grpc::ServerWriter<T>* pWriter,
                       std::list<std::shared_ptr<Outbox<T>>>& outboxes, std::atomic<std::uint64_t>& nWritten);
    template <typename T>
    void queue(std::list<std::shared_ptr<Outbox<T>>>& outboxes, const T& item, int nCopies);
    grpc::Status callOutcome();
    bool allSent() const;

    std::unique_ptr<grpc::Server> m_pServer;
    int m_nPort = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bStopping = false;
    std::string m_strCoreName = "hostile-core";
    grpc::Status m_callStatus;
    std::list<std::shared_ptr<Outbox<Frame>>> m_frameOutboxes;
    std::list<std::shared_ptr<Outbox<Event>>> m_eventOutboxes;

    std::atomic<int> m_nCommands{0};
    std::atomic<std::uint64_t> m_nFrameBytes{0};
    std::atomic<std::uint64_t> m_nFramesWritten{0};
    std::atomic<std::uint64_t> m_nEventsWritten{0};
};
