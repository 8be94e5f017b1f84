#include "Acquisition.h"

#include <chrono>

#include "SimCameraSettings.h"
#include "FrameFactory.h"

using Clock = std::chrono::steady_clock;

Acquisition::Acquisition(FrameFactory& factory, const SimCameraSettings& params, FrameBroadcast& frames,
                         EventBroadcast& events, double dVideoFps, int nResultEvery)
    : m_factory(factory)
    , m_params(params)
    , m_frames(frames)
    , m_events(events)
    , m_dVideoFps(dVideoFps)
    , m_nResultEvery(nResultEvery)
    , m_thread(&Acquisition::run, this)
{
}

Acquisition::~Acquisition()
{
    stop();
}

void Acquisition::takePhoto()
{
    shoot();
}

void Acquisition::setMode(Mode mode)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mode = mode;
    }
    m_wake.notify_all();
    static const char* const kNames[] = {"idle", "continuous", "video"};
    sendMessage(3, std::string("{\"state\":\"") + kNames[mode] + "\"}");
}

void Acquisition::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void Acquisition::sendMessage(int nType, const std::string& strJson)
{
    publishMessage(m_events, nType, strJson);
}

void Acquisition::shoot()
{
    const uint64_t nFrame = m_nNextFrame.fetch_add(1);
    auto pFrame = m_factory.produce(nFrame);
    const int nWidth = pFrame->width();
    const int nHeight = pFrame->height();
    m_frames.publish(std::move(pFrame));
    if (m_nResultEvery > 0 && nFrame % uint64_t(m_nResultEvery) == 0) {
        auto pEvent = std::make_shared<kelvora::core::Event>();
        auto* pResult = pEvent->mutable_result();
        pResult->set_identifier(nFrame);
        pResult->set_result(0);
        pResult->set_value(double(nWidth) * nHeight);
        pResult->set_text("OK");
        m_events.publish(std::move(pEvent));
    }
}

void Acquisition::run()
{
    Clock::time_point next = Clock::now();
    Mode lastMode = Idle;
    for (;;) {
        Mode mode;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            // Idle, or not yet time for the next frame: sleep until woken.
            if (m_mode == Idle)
                m_wake.wait(lock, [this] { return m_bStopping || m_mode != Idle; });
            else
                m_wake.wait_until(lock, next, [this, lastMode] { return m_bStopping || m_mode != lastMode; });
            if (m_bStopping)
                return;
            mode = m_mode;
            if (mode != lastMode) {
                lastMode = mode;
                next = Clock::now();
            }
            if (mode == Idle || Clock::now() < next)
                continue;
        }
        if (mode == Video && m_dVideoFps == 0.0) {
            // As fast as the slowest reader takes them.
            if (!m_frames.waitForRoom(std::chrono::milliseconds(50)))
                continue;
            shoot();
            continue;
        }
        shoot();
        const double dPeriodMs = mode == Video ? 1000.0 / m_dVideoFps : double(m_params.triggerGap());
        next += std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double, std::milli>(dPeriodMs));
        // Behind by more than a period (slow render): keep the rate, drop the backlog.
        if (next < Clock::now())
            next = Clock::now();
    }
}
