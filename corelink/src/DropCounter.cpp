#include "DropCounter.h"

namespace {
constexpr std::chrono::seconds kLogInterval(1);
}

std::uint64_t DropCounter::note(Clock::time_point now)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_nCount;
    if (m_bLogged && now - m_lastLog < kLogInterval)
        return 0;
    m_bLogged = true;
    m_lastLog = now;
    return m_nCount;
}

std::uint64_t DropCounter::count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nCount;
}
