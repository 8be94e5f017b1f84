#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>

// Counts what the client refused from the core (malformed frames, messages it
// cannot parse, callbacks that threw) and paces the log lines about it: the
// first refusal is logged, later ones at most once a second, so a core that
// sends nothing but garbage cannot flood the log.
class DropCounter
{
public:
    using Clock = std::chrono::steady_clock;

    // Counts one refusal. Returns the total so far when this one is to be
    // logged, 0 when it is to stay silent.
    std::uint64_t note(Clock::time_point now = Clock::now());
    std::uint64_t count() const;

private:
    mutable std::mutex m_mutex;
    std::uint64_t m_nCount = 0;
    bool m_bLogged = false;
    Clock::time_point m_lastLog;
};
