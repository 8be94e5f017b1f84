#include "StreamWorker.h"

#include <chrono>
#include <exception>

#include <pthread.h>

#include <spdlog/spdlog.h>

#include "CoreSession.h"
#include "CoreText.h"

namespace {
constexpr std::chrono::milliseconds kRetryPause{200};
// Bounds how long a renewal can hold up uninit.
constexpr int kRenewWaitMs = 200;
}

StreamWorker::StreamWorker(std::shared_ptr<CoreSession> pSession, std::string strName)
    : m_pSession(std::move(pSession))
    , m_strName(std::move(strName))
{
}

StreamWorker::~StreamWorker()
{
    stop();
}

void StreamWorker::start()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_thread.joinable())
        return;
    m_bStopping = false;
    m_thread = std::thread([pSelf = shared_from_this()] { pSelf->run(); });
}

void StreamWorker::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
        if (m_pContext != nullptr)
            m_pContext->TryCancel();
    }
    m_wake.notify_all();
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id()) {
        // Called from a callback on this very thread: it ends by itself.
        m_thread.detach();
        return;
    }
    m_thread.join();
}

bool StreamWorker::waitSubscribed(std::chrono::steady_clock::time_point deadline)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_wake.wait_until(lock, deadline, [this] { return m_bSubscribed || m_bStopping; })
        && m_bSubscribed;
}

void StreamWorker::markSubscribed()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bSubscribed = true;
    }
    m_wake.notify_all();
    if (!m_bUp.exchange(true))
        m_pSession->streamUp();
}

void StreamWorker::markDelivering()
{
    if (!m_bDelivering.exchange(true))
        spdlog::info("{} stream delivering", m_strName);
}

void StreamWorker::run()
{
    // "corelink-frame", "corelink-event": tells the threads apart in top -H and profiles.
    pthread_setname_np(pthread_self(), ("corelink-" + m_strName).substr(0, 15).c_str());
    bool bReported = false;
    for (;;) {
        grpc::ClientContext context;
        m_pSession->identify(context);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStopping)
                return;
            m_pContext = &context;
        }
        const int nKeepaliveMs = m_pSession->keepaliveMs();
        grpc::Status status;
        // Last line of defence: nothing may leave this thread, or the process ends.
        try {
            status = readStream(context);
        } catch (const std::exception& e) {
            status = grpc::Status(grpc::StatusCode::INTERNAL, e.what());
        } catch (...) {
            status = grpc::Status(grpc::StatusCode::INTERNAL, "unknown exception");
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_pContext = nullptr;
            if (m_bStopping)
                return;
        }
        if (m_bUp.exchange(false))
            m_pSession->streamDown();
        // A core that refuses our pings says so in its GOAWAY.
        if (status.error_message() == "Too many pings"
            || status.error_message().find("too_many_pings") != std::string::npos)
            m_pSession->slowKeepalive(nKeepaliveMs);
        if (status.error_code() == grpc::StatusCode::UNAVAILABLE)
            m_pSession->renewChannel(kRenewWaitMs);
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_bStopping)
                return;
            // One line per outage, not one per retry.
            if (m_bDelivering.exchange(false) || !bReported) {
                spdlog::warn("{} stream ended: {} ({}); subscribing again", m_strName,
                             escapeCoreText(status.error_message()), int(status.error_code()));
                bReported = true;
            }
            m_wake.wait_for(lock, kRetryPause, [this] { return m_bStopping; });
            if (m_bStopping)
                return;
        }
    }
}
