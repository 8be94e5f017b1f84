#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

// Runs the calls that may take seconds (listing, opening and closing cameras)
// off the GUI thread. Calls of one lane (one camera) run in the order given;
// lanes run side by side on up to kThreads threads, so a camera that is slow
// to open holds up no other.
class CameraCalls
{
public:
    using Call = std::function<void()>;
    static constexpr int kThreads = 8;

    CameraCalls() = default;
    // Runs every call given so far, then ends its threads.
    ~CameraCalls();
    CameraCalls(const CameraCalls&) = delete;
    CameraCalls& operator=(const CameraCalls&) = delete;

    // Any thread.
    void run(const QString& strLane, Call call);
    // Waits until no call waits or runs; false on timeout.
    bool waitIdle(int nTimeoutMs);

private:
    void work();
    // Under m_mutex: a lane with calls that no thread works on, or end().
    std::map<QString, std::deque<Call>>::iterator readyLane();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::map<QString, std::deque<Call>> m_lanes;
    std::set<QString> m_busyLanes;
    int m_nIdleThreads = 0;
    bool m_bStopping = false;
    std::vector<std::thread> m_threads;
};
