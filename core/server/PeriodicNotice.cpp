#include "PeriodicNotice.h"

PeriodicNotice::~PeriodicNotice()
{
    stop();
}

void PeriodicNotice::start(std::chrono::milliseconds interval, std::function<void()> notice)
{
    if (m_thread.joinable())
        return;
    notice();
    m_thread = std::thread([this, interval, notice] {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_wake.wait_for(lock, interval, [this] { return m_bStopping; })) {
            lock.unlock();
            notice();
            lock.lock();
        }
    });
}

void PeriodicNotice::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}
