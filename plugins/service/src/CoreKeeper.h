#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// Keeps the process connected to the vision core without ever holding up the
// caller: a thread of its own makes the first connection, retrying with a
// growing pause while the core is not there, and after every (re)connection
// puts the operator's settings back before anyone is told.
class CoreKeeper
{
public:
    enum class Event
    {
        ConnectFailed, // the first attempt failed; retries go on (told once)
        Connected,     // the first connection, perhaps after failed attempts
        Lost,          // the link broke after it was up
        Reconnected,   // the link is up again
    };

    struct Hooks
    {
        // One attempt; true once connected. Runs on the keeper's thread.
        std::function<bool()> connect;
        // After each (re)connection, before it is reported; true when all went back.
        std::function<bool()> restore;
        // Told of each event, with restore's outcome for the connected ones.
        std::function<void(Event, bool bRestored)> report;
    };

    // Pause before retry n (0-based): 250 ms, doubling, at most 2 s.
    static int retryDelayMs(int nAttempt);

    CoreKeeper() = default;
    ~CoreKeeper();
    CoreKeeper(const CoreKeeper&) = delete;
    CoreKeeper& operator=(const CoreKeeper&) = delete;

    // Starts the thread once; later calls do nothing.
    void start(Hooks hooks);
    // Ends the thread. A connect attempt in flight must be ended by the
    // caller's own means (uninit) for this to return promptly.
    void stop();
    // Any thread: the link went down (false) or came back (true).
    void linkChanged(bool bUp);

private:
    void run();
    // Waits for the pause, a link change or stop; false on stop.
    bool waitFor(int nMs);

    Hooks m_hooks;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<bool> m_linkChanges;
    bool m_bStopping = false;
    std::thread m_thread;
};
