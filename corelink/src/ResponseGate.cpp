#include "ResponseGate.h"

#include <pthread.h>

#include <spdlog/spdlog.h>

ResponseGate::ResponseGate(Probe probe, std::chrono::milliseconds pause)
    : m_probe(std::move(probe))
    , m_pause(pause)
{
}

ResponseGate::~ResponseGate()
{
    reset();
}

void ResponseGate::reportTimeout()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bProbing)
        return;
    m_bOpen = false;
    ++m_nClosures;
    spdlog::warn("vision core did not answer in time; camera calls fail at once until it answers again");
    // The thread of an earlier outage has ended (it cleared m_bProbing under
    // this lock as its last step), so joining it costs nothing.
    if (m_thread.joinable())
        m_thread.join();
    m_bProbing = true;
    m_bStop = false;
    m_thread = std::thread(&ResponseGate::probeLoop, this);
}

void ResponseGate::reset()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    joinProbe();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bProbing = false;
    m_bOpen = true;
}

void ResponseGate::joinProbe()
{
    std::thread thread;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        thread.swap(m_thread);
    }
    if (thread.joinable() && thread.get_id() != std::this_thread::get_id())
        thread.join();
    else if (thread.joinable())
        thread.detach();
}

void ResponseGate::probeLoop()
{
    pthread_setname_np(pthread_self(), "corelink-probe");
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_wake.wait_for(lock, m_pause, [this] { return m_bStop; }))
                return;
        }
        if (!m_probe())
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStop)
            return;
        m_bOpen = true;
        m_bProbing = false;
        spdlog::info("vision core answers again; camera calls go through");
        return;
    }
}
