#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "common/vexa_image.h"
#include "corelink/CommTypes.h"

// Keeps the frames a client delivers, with their arrival times.
class FrameCollector
{
public:
    using Clock = std::chrono::steady_clock;

    FrameCallback callback()
    {
        return [this](const std::shared_ptr<VexaImage>& pImage) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_frames.push_back(pImage);
            m_times.push_back(Clock::now());
            m_arrived.notify_all();
        };
    }

    // Waits until at least n frames are there.
    bool waitFor(size_t n, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] { return m_frames.size() >= n; });
    }

    size_t count() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames.size();
    }

    std::shared_ptr<VexaImage> frame(size_t i) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_frames.at(i);
    }

    std::vector<Clock::time_point> times() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_times;
    }

    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.clear();
        m_times.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::shared_ptr<VexaImage>> m_frames;
    std::vector<Clock::time_point> m_times;
};
