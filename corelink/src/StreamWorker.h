#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <grpcpp/grpcpp.h>

class CoreSession;

// A thread that keeps one server stream open: when the stream ends while the
// worker runs (core gone, restarted), it subscribes again after a short pause.
class StreamWorker : public std::enable_shared_from_this<StreamWorker>
{
public:
    StreamWorker(std::shared_ptr<CoreSession> pSession, std::string strName);
    virtual ~StreamWorker();

    // The thread holds a reference, so the worker outlives a stop() made
    // from one of its own callbacks.
    void start();
    // Cancels the open stream and joins the thread. Safe to call twice.
    void stop();
    // Waits until the core has registered the first subscription.
    bool waitSubscribed(std::chrono::steady_clock::time_point deadline);

protected:
    // Reads one subscription until it ends; returns its final status.
    virtual grpc::Status readStream(grpc::ClientContext& context) = 0;
    // The core answered the subscription: from now on nothing is missed.
    void markSubscribed();
    // True once the stream has delivered data, to log recovery only once.
    void markDelivering();

    std::shared_ptr<CoreSession> m_pSession;

private:
    void run();

    std::string m_strName;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStopping = false;
    grpc::ClientContext* m_pContext = nullptr;
    bool m_bSubscribed = false;
    std::atomic<bool> m_bDelivering{false};
    // Subscribed and counted as up by the session.
    std::atomic<bool> m_bUp{false};
};
