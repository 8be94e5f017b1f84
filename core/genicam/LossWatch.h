#pragma once

#include <chrono>
#include <cstdint>
#include <deque>

// Watches the share of frames a camera's link loses (incomplete or dropped
// for want of buffers) over a sliding window, on the caller's clock, and says
// when the operator should hear of it: when more than the limit was lost
// over the window, at most once a window. A share needs enough frames behind
// it: at least nMinLost lost, out of at least nMinFrames, or out of fewer
// where the samples already span the whole window (a slow camera). One
// stray incomplete frame as a stream starts is no alarm.
class LossWatch
{
public:
    using Clock = std::chrono::steady_clock;

    explicit LossWatch(Clock::duration window = std::chrono::seconds(5), double dLimit = 0.01,
                       uint64_t nMinFrames = 20, uint64_t nMinLost = 2);

    // Totals so far; true when a status line is due now.
    bool sample(Clock::time_point now, uint64_t nCompleted, uint64_t nLost);
    // The share lost over the window at the last sample (0 to 1).
    double lostShare() const { return m_dShare; }
    uint64_t lostInWindow() const { return m_nLostInWindow; }
    uint64_t framesInWindow() const { return m_nFramesInWindow; }
    // A new stream's totals start again.
    void reset();

private:
    struct Sample
    {
        Clock::time_point time;
        uint64_t nCompleted;
        uint64_t nLost;
    };
    const Clock::duration m_window;
    const double m_dLimit;
    const uint64_t m_nMinFrames;
    const uint64_t m_nMinLost;
    std::deque<Sample> m_samples;
    Clock::time_point m_lastSaid;
    bool m_bSaid = false;
    double m_dShare = 0.0;
    uint64_t m_nLostInWindow = 0;
    uint64_t m_nFramesInWindow = 0;
};
