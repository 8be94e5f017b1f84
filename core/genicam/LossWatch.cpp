#include "LossWatch.h"

LossWatch::LossWatch(Clock::duration window, double dLimit, uint64_t nMinFrames, uint64_t nMinLost)
    : m_window(window)
    , m_dLimit(dLimit)
    , m_nMinFrames(nMinFrames)
    , m_nMinLost(nMinLost)
{
}

bool LossWatch::sample(Clock::time_point now, uint64_t nCompleted, uint64_t nLost)
{
    // Totals that went back belong to a new stream.
    if (!m_samples.empty() && (nCompleted < m_samples.back().nCompleted || nLost < m_samples.back().nLost))
        m_samples.clear();
    m_samples.push_back({now, nCompleted, nLost});
    // The oldest sample kept is the last one at or before the window's start.
    while (m_samples.size() > 2 && m_samples[1].time <= now - m_window)
        m_samples.pop_front();
    const Sample& first = m_samples.front();
    m_nLostInWindow = nLost - first.nLost;
    m_nFramesInWindow = m_nLostInWindow + (nCompleted - first.nCompleted);
    m_dShare = m_nFramesInWindow == 0 ? 0.0 : double(m_nLostInWindow) / double(m_nFramesInWindow);
    if (m_dShare <= m_dLimit || m_nLostInWindow < m_nMinLost)
        return false;
    const bool bWholeWindow = first.time <= now - m_window;
    if (m_nFramesInWindow < m_nMinFrames && !bWholeWindow)
        return false;
    if (m_bSaid && now - m_lastSaid < m_window)
        return false;
    m_bSaid = true;
    m_lastSaid = now;
    return true;
}

void LossWatch::reset()
{
    m_samples.clear();
}
