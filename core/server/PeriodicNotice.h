#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Says something at once and again after every interval, on a thread of its
// own, until stopped (or destroyed).
class PeriodicNotice
{
public:
    PeriodicNotice() = default;
    ~PeriodicNotice();
    PeriodicNotice(const PeriodicNotice&) = delete;
    PeriodicNotice& operator=(const PeriodicNotice&) = delete;

    // Calls notice now on the caller's thread, then every interval. Once only.
    void start(std::chrono::milliseconds interval, std::function<void()> notice);
    void stop();

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStopping = false;
    std::thread m_thread;
};
