#include "CameraCalls.h"

CameraCalls::~CameraCalls()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void CameraCalls::run(const QString& strLane, Call call)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bStopping)
        return;
    m_lanes[strLane].push_back(std::move(call));
    if (m_nIdleThreads == 0 && int(m_threads.size()) < kThreads)
        m_threads.emplace_back([this] { work(); });
    m_wake.notify_one();
}

std::map<QString, std::deque<CameraCalls::Call>>::iterator CameraCalls::readyLane()
{
    for (auto it = m_lanes.begin(); it != m_lanes.end(); ++it)
        if (!it->second.empty() && m_busyLanes.count(it->first) == 0)
            return it;
    return m_lanes.end();
}

void CameraCalls::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        ++m_nIdleThreads;
        m_wake.wait(lock, [this] { return m_bStopping || readyLane() != m_lanes.end(); });
        --m_nIdleThreads;
        auto it = readyLane();
        if (it == m_lanes.end())
            return; // stopping, nothing left
        const QString strLane = it->first;
        m_busyLanes.insert(strLane);
        while (!m_lanes[strLane].empty()) {
            Call call = std::move(m_lanes[strLane].front());
            m_lanes[strLane].pop_front();
            lock.unlock();
            call();
            lock.lock();
        }
        m_lanes.erase(strLane);
        m_busyLanes.erase(strLane);
        m_idle.notify_all();
    }
}

bool CameraCalls::waitIdle(int nTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                           [this] { return m_lanes.empty() && m_busyLanes.empty(); });
}
