#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

// The stream threads call the client's callbacks while the client may replace
// or clear them. Once a setter returns, the old callback must not be running
// any more: its object may be deleted right after (a plugin unloading while
// frames stream). The gate counts the calls in flight by the generation of
// callbacks they started with, and lets a change wait for the earlier ones.
class CallbackGate
{
public:
    // Held for the length of one call.
    class Pass
    {
    public:
        Pass(CallbackGate* pGate, std::uint64_t nGeneration);
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        ~Pass();

    private:
        CallbackGate* const m_pGate;
        const std::uint64_t m_nGeneration;
    };

    // Both under the caller's lock that guards the callbacks themselves, so that
    // a call sees either the old callback with an old generation or the new one.
    Pass enter();
    std::uint64_t advance();

    // Without that lock: returns once every call that entered before the given
    // generation has returned. Called from inside a callback it returns at once,
    // since the caller's own call could never end.
    void waitForCallsBefore(std::uint64_t nGeneration);

private:
    void leave(std::uint64_t nGeneration);

    std::mutex m_mutex;
    std::condition_variable m_left;
    std::uint64_t m_nGeneration = 0;
    std::multiset<std::uint64_t> m_inFlight;
};
