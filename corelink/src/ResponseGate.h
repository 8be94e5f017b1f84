#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

// Camera calls run on the caller's (GUI) thread. Once one of them has run into
// its deadline, every following call would wait just as long, so the gate
// closes: calls fail at once while a thread of its own probes the core, and
// the gate opens again when a probe gets an answer. A caller then waits for
// at most one deadline per outage instead of one per call.
class ResponseGate
{
public:
    // Returns true when the core answered the probe (with any reply).
    using Probe = std::function<bool()>;

    ResponseGate(Probe probe, std::chrono::milliseconds pause);
    ~ResponseGate();
    ResponseGate(const ResponseGate&) = delete;
    ResponseGate& operator=(const ResponseGate&) = delete;

    bool isOpen() const { return m_bOpen.load(); }
    // A call ran into its deadline: close and start probing.
    void reportTimeout();
    // Open again and stop probing (a new connection, or the connection ended).
    void reset();
    // How often the gate closed.
    std::uint64_t closures() const { return m_nClosures.load(); }

private:
    void probeLoop();
    void joinProbe();

    Probe m_probe;
    const std::chrono::milliseconds m_pause;
    std::atomic<bool> m_bOpen{true};
    std::atomic<std::uint64_t> m_nClosures{0};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bProbing = false;
    bool m_bStop = false;
    std::thread m_thread;
};
