#pragma once

#include <functional>
#include <mutex>

// Ends the core connection exactly once when the service closes, whatever the
// connecting thread is doing: an attempt in flight is made to give up by that one
// call, no attempt starts after it, and a connection made earlier is closed by it.
class ConnectGate
{
public:
    explicit ConnectGate(std::function<void()> uninit);

    // Connecting thread: false once closing; else the attempt counts as in flight.
    bool beginAttempt();
    void endAttempt();

    // Closing: no attempt starts from now on; one in flight gives up at once.
    void close();
    // Once the connecting thread is gone: ends the connection unless close() did.
    void finish();

    int uninitCalls() const;

private:
    void uninitOnce();

    std::function<void()> m_uninit;
    mutable std::mutex m_mutex;
    bool m_bClosing = false;
    bool m_bInFlight = false;
    int m_nUninitCalls = 0;
};
