// The hand-over from the RPC threads to a device's own thread: answers,
// withdrawal of a job not started in time, a slow job's honest answer, calls
// refused at once while the worker is stuck in an overdue job, and the end.
#include "server/BoundedExecutor.h"

#include <atomic>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QtTest>

using grpc::Status;
using grpc::StatusCode;
using namespace std::chrono_literals;

namespace {

// A gate a job waits at until the test opens it.
class Gate
{
public:
    void open()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bOpen = true;
        }
        m_changed.notify_all();
    }
    void pass()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_bOpen; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bOpen = false;
};

// The device's thread: runs jobs until the executor stops.
class Worker
{
public:
    explicit Worker(BoundedExecutor& executor)
        : m_executor(executor)
        , m_thread([this] {
            while (m_executor.runPending())
                m_executor.waitForWork(BoundedExecutor::Clock::now() + 10s);
            m_executor.refuseAll(Status(StatusCode::UNAVAILABLE, "core is shutting down"));
        })
    {
    }
    ~Worker()
    {
        m_executor.stop();
        m_thread.join();
    }

private:
    BoundedExecutor& m_executor;
    std::thread m_thread;
};

bool waitFor(const std::function<bool()>& done)
{
    for (int i = 0; i < 1000 && !done(); ++i)
        std::this_thread::sleep_for(5ms);
    return done();
}

} // namespace

class TestBoundedExecutor : public QObject
{
    Q_OBJECT

private slots:
    void answersComeFromTheWorkerInOrder();
    void jobNotStartedInTimeIsWithdrawnAndNeverRuns();
    void jobStartedButSlowIsSaidToMayStillTakeEffect();
    void callsWhileTheWorkerIsStuckAreRefusedAtOnceUntilItReturns();
    void jobStillWithinItsTimeDoesNotTurnCallsAway();
    void stoppedExecutorRefusesAndAnswersWhatIsLeft();
};

void TestBoundedExecutor::answersComeFromTheWorkerInOrder()
{
    BoundedExecutor executor;
    Worker worker(executor);
    std::vector<int> order;
    std::thread::id callerThread = std::this_thread::get_id();
    std::thread::id jobThread = callerThread;
    QVERIFY(executor
                .call([&] {
                    order.push_back(1);
                    jobThread = std::this_thread::get_id();
                    return Status::OK;
                })
                .ok());
    const Status refused = executor.call([&] {
        order.push_back(2);
        return Status(StatusCode::INVALID_ARGUMENT, "out of range");
    });
    QCOMPARE(int(refused.error_code()), int(StatusCode::INVALID_ARGUMENT));
    QCOMPARE(refused.error_message(), std::string("out of range"));
    QCOMPARE(order, (std::vector<int>{1, 2}));
    QVERIFY(jobThread != callerThread);
    QCOMPARE(executor.pending(), size_t(0));
}

void TestBoundedExecutor::jobNotStartedInTimeIsWithdrawnAndNeverRuns()
{
    // The worker is held in a first job, so the second cannot start within
    // its caller's wait however long that wait is.
    BoundedExecutor executor(50ms);
    Worker worker(executor);
    Gate gate;
    std::atomic<bool> bFirstRunning{false};
    std::atomic<int> nSecondRuns{0};
    auto first = std::async(std::launch::async, [&] {
        return executor.call([&] {
            bFirstRunning = true;
            gate.pass();
            return Status::OK;
        });
    });
    QVERIFY(waitFor([&] { return bFirstRunning.load(); }));
    const Status second = executor.call([&] {
        ++nSecondRuns;
        return Status::OK;
    });
    QCOMPARE(int(second.error_code()), int(StatusCode::UNAVAILABLE));
    QCOMPARE(second.error_message(), std::string("camera busy; the command was not carried out"));
    QCOMPARE(executor.pending(), size_t(0));
    gate.open();
    first.get();
    // Until the overdue first job is back, calls are turned away.
    QVERIFY(waitFor([&] { return executor.stuckReason().empty(); }));
    // A job after the withdrawn one runs: the withdrawn one never did.
    QVERIFY(executor.call([] { return Status::OK; }).ok());
    QCOMPARE(nSecondRuns.load(), 0);
}

void TestBoundedExecutor::jobStartedButSlowIsSaidToMayStillTakeEffect()
{
    BoundedExecutor executor(50ms);
    Worker worker(executor);
    Gate gate;
    std::atomic<bool> bFinished{false};
    const Status slow = executor.call([&] {
        gate.pass();
        bFinished = true;
        return Status::OK;
    });
    // The caller's wait ended while the job held the worker at the gate.
    QCOMPARE(int(slow.error_code()), int(StatusCode::DEADLINE_EXCEEDED));
    QVERIFY(!bFinished);
    gate.open();
    QVERIFY(waitFor([&] { return bFinished.load(); }));
}

void TestBoundedExecutor::callsWhileTheWorkerIsStuckAreRefusedAtOnceUntilItReturns()
{
    BoundedExecutor executor(50ms);
    Worker worker(executor);
    Gate gate;
    std::atomic<bool> bStuckRunning{false};
    std::atomic<bool> bStuckReturned{false};
    std::atomic<int> nRefusedRuns{0};
    auto stuck = std::async(std::launch::async, [&] {
        return executor.call([&] {
            bStuckRunning = true;
            gate.pass();
            bStuckReturned = true;
            return Status::OK;
        });
    });
    QVERIFY(waitFor([&] { return bStuckRunning.load(); }));
    QCOMPARE(int(stuck.get().error_code()), int(StatusCode::DEADLINE_EXCEEDED));
    // The job outlives its caller's bound about when the caller gives up.
    QVERIFY(waitFor([&] { return !executor.stuckReason().empty(); }));
    for (int i = 0; i < 3; ++i) {
        const Status refused = executor.call([&] {
            ++nRefusedRuns;
            return Status::OK;
        });
        QCOMPARE(int(refused.error_code()), int(StatusCode::UNAVAILABLE));
        const std::string strPrefix = "the camera has not answered its previous call for ";
        const std::string strText = refused.error_message();
        QVERIFY2(strText.rfind(strPrefix, 0) == 0, strText.c_str());
        QVERIFY2(strText.find(" ms; the command was not carried out") != std::string::npos, strText.c_str());
        // Never refused before the stuck job had outlived the bound.
        QVERIFY2(std::stoi(strText.substr(strPrefix.size())) >= 50, strText.c_str());
        // Refused without being queued, so the worker never gets it.
        QCOMPARE(executor.pending(), size_t(0));
    }
    QVERIFY(!bStuckReturned);
    gate.open();
    QVERIFY(waitFor([&] { return executor.stuckReason().empty(); }));
    QVERIFY(bStuckReturned);
    // Service as before once the stuck job is back.
    std::atomic<bool> bRan{false};
    QVERIFY(executor
                .call([&] {
                    bRan = true;
                    return Status::OK;
                })
                .ok());
    QVERIFY(bRan);
    QCOMPARE(nRefusedRuns.load(), 0);
}

void TestBoundedExecutor::jobStillWithinItsTimeDoesNotTurnCallsAway()
{
    // A long bound: the held job never becomes overdue during the test.
    BoundedExecutor executor(10min);
    Worker worker(executor);
    Gate gate;
    std::atomic<bool> bFirstRunning{false};
    std::vector<int> order;
    auto first = std::async(std::launch::async, [&] {
        return executor.call([&] {
            bFirstRunning = true;
            gate.pass();
            order.push_back(1);
            return Status::OK;
        });
    });
    QVERIFY(waitFor([&] { return bFirstRunning.load(); }));
    QVERIFY(executor.stuckReason().empty());
    auto second = std::async(std::launch::async, [&] {
        return executor.call([&] {
            order.push_back(2);
            return Status::OK;
        });
    });
    // Queued behind the running job, not refused.
    QVERIFY(waitFor([&] { return executor.pending() == 1; }));
    gate.open();
    QVERIFY(first.get().ok());
    QVERIFY(second.get().ok());
    QCOMPARE(order, (std::vector<int>{1, 2}));
}

void TestBoundedExecutor::stoppedExecutorRefusesAndAnswersWhatIsLeft()
{
    BoundedExecutor executor(10s);
    std::atomic<int> nRuns{0};
    // No worker yet: the job stays queued until the executor is closed.
    auto queued = std::async(std::launch::async, [&] {
        return executor.call([&] {
            ++nRuns;
            return Status::OK;
        });
    });
    QVERIFY(waitFor([&] { return executor.pending() == 1; }));
    executor.stop();
    QVERIFY(executor.stopping());
    QVERIFY(!executor.runPending());
    executor.refuseAll(Status(StatusCode::UNAVAILABLE, "core is shutting down"));
    const Status answer = queued.get();
    QCOMPARE(int(answer.error_code()), int(StatusCode::UNAVAILABLE));
    QCOMPARE(answer.error_message(), std::string("core is shutting down"));
    const Status late = executor.call([&] {
        ++nRuns;
        return Status::OK;
    });
    QCOMPARE(int(late.error_code()), int(StatusCode::UNAVAILABLE));
    QCOMPARE(nRuns.load(), 0);
}

QTEST_GUILESS_MAIN(TestBoundedExecutor)
#include "tst_bounded_executor.moc"
