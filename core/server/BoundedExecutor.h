#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include <grpcpp/support/status.h>

// Hands work from the RPC threads to one worker thread that owns a device
// whose calls may block for seconds. A caller waits a bounded time for its
// answer; a job the worker has not started by then is withdrawn and refused,
// so a command reported as failed never takes effect later. While the worker
// is held by a job that has already outlived its caller's wait, the device is
// not answering: further calls are refused at once instead of each waiting
// out the bound again, until that job returns.
class BoundedExecutor
{
public:
    using Clock = std::chrono::steady_clock;
    using Task = std::function<grpc::Status()>;

    // Within the client's own half-second deadline, so the client hears why.
    static constexpr std::chrono::milliseconds kAnswerWithin{450};

    explicit BoundedExecutor(std::chrono::milliseconds answerWithin = kAnswerWithin);
    ~BoundedExecutor();

    // Any thread but the worker: queues the task and waits for its answer.
    grpc::Status call(Task task);
    // Why a call made now would be refused at once; empty while the worker is
    // not held by an overdue job.
    std::string stuckReason() const;

    // Worker thread: runs every queued job in order; false once stopping.
    bool runPending();
    // Worker thread: sleeps until a job comes, the executor stops or the
    // time is reached.
    void waitForWork(Clock::time_point until);
    // Worker thread, at its end: answers every job still queued.
    void refuseAll(const grpc::Status& status);

    // Refuses new jobs from now on; the worker's runPending() turns false.
    void stop();
    bool stopping() const;
    size_t pending() const;

private:
    struct Job;

    // Under m_mutex.
    std::string stuckReasonLocked(Clock::time_point now) const;

    const std::chrono::milliseconds m_answerWithin;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_bStopping = false;
    // The job the worker is running, and since when.
    bool m_bRunning = false;
    Clock::time_point m_runningSince;
};
