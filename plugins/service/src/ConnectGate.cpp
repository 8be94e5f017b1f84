#include "ConnectGate.h"

ConnectGate::ConnectGate(std::function<void()> uninit)
    : m_uninit(std::move(uninit))
{
}

bool ConnectGate::beginAttempt()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_bClosing)
        return false;
    m_bInFlight = true;
    return true;
}

void ConnectGate::endAttempt()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bInFlight = false;
}

void ConnectGate::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bClosing = true;
    // Held while it runs: the attempt cannot end and a new one cannot start in between.
    if (m_bInFlight)
        uninitOnce();
}

void ConnectGate::finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_bClosing = true;
    uninitOnce();
}

int ConnectGate::uninitCalls() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nUninitCalls;
}

void ConnectGate::uninitOnce()
{
    if (m_nUninitCalls > 0)
        return;
    ++m_nUninitCalls;
    if (m_uninit)
        m_uninit();
}
