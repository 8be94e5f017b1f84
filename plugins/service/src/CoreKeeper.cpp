#include "CoreKeeper.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>

namespace {

constexpr int kFirstRetryMs = 250;
// "A few seconds at most" between attempts: a core started late is found soon.
constexpr int kLongestRetryMs = 2000;

} // namespace

int CoreKeeper::retryDelayMs(int nAttempt)
{
    int nDelay = kFirstRetryMs;
    for (int i = 0; i < nAttempt && nDelay < kLongestRetryMs; ++i)
        nDelay *= 2;
    return std::min(nDelay, kLongestRetryMs);
}

CoreKeeper::~CoreKeeper()
{
    stop();
}

void CoreKeeper::start(Hooks hooks)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_thread.joinable() || m_bStopping)
        return;
    m_hooks = std::move(hooks);
    m_thread = std::thread(&CoreKeeper::run, this);
}

void CoreKeeper::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
}

void CoreKeeper::linkChanged(bool bUp)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_linkChanges.push_back(bUp);
    }
    m_wake.notify_all();
}

bool CoreKeeper::waitFor(int nMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(nMs),
                    [this] { return m_bStopping || !m_linkChanges.empty(); });
    return !m_bStopping;
}

void CoreKeeper::run()
{
    pthread_setname_np(pthread_self(), "service-keeper");
    int nAttempt = 0;
    while (!m_hooks.connect()) {
        if (nAttempt == 0)
            m_hooks.report(Event::ConnectFailed, false);
        if (!waitFor(retryDelayMs(nAttempt++)))
            return;
    }
    {
        // Changes from before the connection belong to attempts that failed.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_linkChanges.clear();
        if (m_bStopping)
            return;
    }
    m_hooks.report(Event::Connected, m_hooks.restore());

    for (;;) {
        bool bUp = false;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_bStopping || !m_linkChanges.empty(); });
            if (m_bStopping)
                return;
            bUp = m_linkChanges.front();
            m_linkChanges.pop_front();
        }
        if (bUp)
            m_hooks.report(Event::Reconnected, m_hooks.restore());
        else
            m_hooks.report(Event::Lost, false);
    }
}
