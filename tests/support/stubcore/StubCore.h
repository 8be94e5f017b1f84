#pragma once

#include <atomic>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <grpcpp/grpcpp.h>

#include "vision_core.grpc.pb.h"

// A vision core inside the test process whose behaviour the test steers: it
// can stop answering (every call and subscription then hangs, as a core that
// is stopped or wedged) and can keep gRPC's default ping policy, which closes
// a connection that pings often while no data flows. It remembers the values
// written and the commands given, in order.
class StubCore : public kelvora::core::VisionCore::Service
{
public:
    struct Options
    {
        // Accept the client's keepalive pings, as the project's cores do.
        bool bPermitPings = true;
        // Port 0: a free one.
        int nPort = 0;
    };

    StubCore();
    ~StubCore() override;

    bool start(const Options& options);
    bool start() { return start(Options()); }
    void stop();
    int port() const { return m_nPort; }
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(m_nPort); }

    // While silent, every call and subscription that arrives waits until
    // the core answers again (or stops).
    void setSilent(bool bSilent);
    // Subscriptions opened so far (frames and events).
    int subscriptions() const { return m_nSubscriptions.load(); }
    // "set:<param>=<value>" and "command:<kind>" in arrival order.
    std::vector<std::string> log() const;
    // The method name of every call and subscription that reached the core, in
    // arrival order, answered or not (silent); cleared with the log.
    std::vector<std::string> arrivals() const;
    void clearLog();

    grpc::Status Ping(grpc::ServerContext* pContext, const kelvora::core::PingRequest* pRequest,
                      kelvora::core::PingReply* pReply) override;
    grpc::Status GetCameraInfo(grpc::ServerContext* pContext, const kelvora::core::CameraRequest* pRequest,
                               kelvora::core::CameraRanges* pReply) override;
    grpc::Status SetParam(grpc::ServerContext* pContext, const kelvora::core::ParamValue* pRequest,
                          kelvora::core::Empty* pReply) override;
    grpc::Status GetParam(grpc::ServerContext* pContext, const kelvora::core::ParamRequest* pRequest,
                          kelvora::core::ParamValue* pReply) override;
    grpc::Status Command(grpc::ServerContext* pContext, const kelvora::core::CommandRequest* pRequest,
                         kelvora::core::Empty* pReply) override;
    grpc::Status NotifyLoadUI(grpc::ServerContext* pContext, const kelvora::core::LoadUIRequest* pRequest,
                              kelvora::core::LoadUIReply* pReply) override;
    grpc::Status SubscribeFrames(grpc::ServerContext* pContext,
                                 const kelvora::core::SubscribeRequest* pRequest,
                                 grpc::ServerWriter<kelvora::core::Frame>* pWriter) override;
    grpc::Status SubscribeEvents(grpc::ServerContext* pContext,
                                 const kelvora::core::SubscribeRequest* pRequest,
                                 grpc::ServerWriter<kelvora::core::Event>* pWriter) override;

private:
    // False when the call should end without an answer (stopping, cancelled).
    bool waitWhileSilent(grpc::ServerContext* pContext, const char* pMethod);
    // A subscription that sends nothing and lasts until the client leaves.
    template <typename Writer>
    grpc::Status holdSubscription(grpc::ServerContext* pContext, Writer* pWriter);

    std::unique_ptr<grpc::Server> m_pServer;
    int m_nPort = 0;
    std::atomic<int> m_nSubscriptions{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bSilent = false;
    bool m_bStopping = false;
    std::map<int, kelvora::core::ParamValue> m_params;
    std::vector<std::string> m_log;
    std::vector<std::string> m_arrivals;
};
