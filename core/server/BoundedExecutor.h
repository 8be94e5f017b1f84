#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include <grpcpp/support/status.h>

// Hands work from the RPC threads to one worker thread that owns a device
// whose calls may block for seconds. A caller waits a bounded time for its
// answer; a job the worker has not started by then is withdrawn and refused,
// so a command reported as failed never takes effect later.
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

    const std::chrono::milliseconds m_answerWithin;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::shared_ptr<Job>> m_jobs;
    bool m_bStopping = false;
};
