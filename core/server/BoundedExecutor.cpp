#include "BoundedExecutor.h"

#include <algorithm>
#include <future>

using grpc::Status;
using grpc::StatusCode;

struct BoundedExecutor::Job
{
    Task task;
    std::promise<Status> done;
};

BoundedExecutor::BoundedExecutor(std::chrono::milliseconds answerWithin)
    : m_answerWithin(answerWithin)
{
}

BoundedExecutor::~BoundedExecutor()
{
    refuseAll(Status(StatusCode::UNAVAILABLE, "core is shutting down"));
}

Status BoundedExecutor::call(Task task)
{
    auto pJob = std::make_shared<Job>();
    pJob->task = std::move(task);
    auto answer = pJob->done.get_future();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStopping)
            return Status(StatusCode::UNAVAILABLE, "core is shutting down");
        // Queued behind an overdue job it would only wait out its bound too.
        std::string strStuck = stuckReasonLocked(Clock::now());
        if (!strStuck.empty())
            return Status(StatusCode::UNAVAILABLE, std::move(strStuck));
        m_jobs.push_back(pJob);
    }
    m_wake.notify_all();
    if (answer.wait_for(m_answerWithin) == std::future_status::ready)
        return answer.get();
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = std::find(m_jobs.begin(), m_jobs.end(), pJob);
    if (it != m_jobs.end()) {
        m_jobs.erase(it);
        return Status(StatusCode::UNAVAILABLE, "camera busy; the command was not carried out");
    }
    // Taken by the worker in the meantime: its answer may be ready by now.
    if (answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
        return answer.get();
    return Status(StatusCode::DEADLINE_EXCEEDED, "camera slow to answer; the command may still take effect");
}

bool BoundedExecutor::runPending()
{
    for (;;) {
        std::shared_ptr<Job> pJob;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStopping)
                return false;
            if (m_jobs.empty())
                return true;
            pJob = m_jobs.front();
            m_jobs.pop_front();
            m_bRunning = true;
            m_runningSince = Clock::now();
        }
        Status status = pJob->task();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bRunning = false;
        }
        pJob->done.set_value(std::move(status));
    }
}

std::string BoundedExecutor::stuckReason() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return stuckReasonLocked(Clock::now());
}

std::string BoundedExecutor::stuckReasonLocked(Clock::time_point now) const
{
    if (!m_bRunning || now - m_runningSince < m_answerWithin)
        return std::string();
    const auto held = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_runningSince);
    return "the camera has not answered its previous call for " + std::to_string(held.count())
        + " ms; the command was not carried out";
}

void BoundedExecutor::waitForWork(Clock::time_point until)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait_until(lock, until, [this] { return m_bStopping || !m_jobs.empty(); });
}

void BoundedExecutor::refuseAll(const Status& status)
{
    std::deque<std::shared_ptr<Job>> jobs;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        jobs.swap(m_jobs);
    }
    for (const auto& pJob : jobs)
        pJob->done.set_value(status);
}

void BoundedExecutor::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
}

bool BoundedExecutor::stopping() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bStopping;
}

size_t BoundedExecutor::pending() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_jobs.size();
}
