// The background connection keeper and the operator's settings it puts back,
// without a core: hooks and a camera that record what happens to them.
#include "ConnectGate.h"
#include "CoreKeeper.h"
#include "OperatorSettings.h"
#include "corelink/CCameraBase.h"
#include "framework/PluginMessages.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QtTest>

#include <atomic>
#include <condition_variable>
#include <thread>
#include <mutex>

namespace {

// Records every call as text; the calls named in m_failing return an error.
class RecordingCamera : public CCameraBase
{
public:
    QStringList calls;
    QStringList failing;

    void setFrameCallback(FrameCallback) override {}
    void setRejectedFrameCallback(RejectedFrameCallback) override {}
    int getCameraInfo(CameraInfo*) override { return note("getCameraInfo"); }
    int setExposure(unsigned n) override { return note(QString("setExposure %1").arg(n)); }
    int getExposure(unsigned*) override { return note("getExposure"); }
    int setGain(float f) override { return note(QString("setGain %1").arg(double(f))); }
    int getGain(float*) override { return note("getGain"); }
    int takePhoto() override { return note("takePhoto"); }
    int startContinuous() override { return note("startContinuous"); }
    int stopContinuous() override { return note("stopContinuous"); }
    int startVideo() override { return note("startVideo"); }
    int stopVideo() override { return note("stopVideo"); }
    int setTriggerGap(float f) override { return note(QString("setTriggerGap %1").arg(double(f))); }
    int getTriggerGap(float*) override { return note("getTriggerGap"); }
    int setTriggerMode(int n) override { return note(QString("setTriggerMode %1").arg(n)); }
    int getTriggerMode(int*) override { return note("getTriggerMode"); }
    int setDebounceTime(int n) override { return note(QString("setDebounceTime %1").arg(n)); }
    int getDebounceTime(int*) override { return note("getDebounceTime"); }

private:
    int note(const QString& strCall)
    {
        calls << strCall;
        return failing.contains(strCall.section(' ', 0, 0)) ? 14 : 0;
    }
};

// What the keeper's hooks saw, in order, from its thread.
struct KeeperLog
{
    std::mutex mutex;
    QStringList entries;
    QList<qint64> attemptTimes;
    QElapsedTimer clock;
    std::atomic<int> nFailuresLeft{0};

    void add(const QString& strEntry)
    {
        std::lock_guard<std::mutex> lock(mutex);
        entries << strEntry;
    }
    QStringList snapshot()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return entries;
    }

    CoreKeeper::Hooks hooks()
    {
        clock.start();
        CoreKeeper::Hooks hooks;
        hooks.connect = [this] {
            {
                std::lock_guard<std::mutex> lock(mutex);
                attemptTimes << clock.elapsed();
            }
            return nFailuresLeft-- <= 0;
        };
        hooks.restore = [this] {
            add("restore");
            return true;
        };
        hooks.report = [this](CoreKeeper::Event event, bool bRestored) {
            const char* const names[] = {"failed", "connected", "lost", "back"};
            add(QString("%1%2").arg(names[int(event)]).arg(bRestored ? "+" : ""));
        };
        return hooks;
    }
};

} // namespace

class TestServiceKeeper : public QObject
{
    Q_OBJECT

private slots:
    void retryPausesGrowToTwoSeconds()
    {
        QList<int> delays;
        for (int i = 0; i < 6; ++i)
            delays << CoreKeeper::retryDelayMs(i);
        QCOMPARE(delays, (QList<int>{250, 500, 1000, 2000, 2000, 2000}));
    }

    void retriesUntilConnectedAndTellsEachChangeOnce()
    {
        KeeperLog log;
        log.nFailuresLeft = 3;
        CoreKeeper keeper;
        keeper.start(log.hooks());
        QTRY_COMPARE_WITH_TIMEOUT(log.snapshot(), (QStringList{"failed", "restore", "connected+"}), 5000);
        {
            std::lock_guard<std::mutex> lock(log.mutex);
            QCOMPARE(log.attemptTimes.size(), 4);
            // Pauses of at least 250, 500 and 1000 ms between the attempts (a
            // busy machine only lengthens them).
            for (int i = 0; i < 3; ++i) {
                const qint64 nPause = log.attemptTimes[i + 1] - log.attemptTimes[i];
                QVERIFY2(nPause >= CoreKeeper::retryDelayMs(i) - 10, qPrintable(QString::number(nPause)));
            }
        }

        // The link breaks and comes back twice in a row, faster than the
        // keeper runs: every change is told, in order, each return after
        // the settings went back.
        keeper.linkChanged(false);
        keeper.linkChanged(true);
        keeper.linkChanged(false);
        keeper.linkChanged(true);
        QTRY_COMPARE_WITH_TIMEOUT(log.snapshot().size(), 9, 3000);
        QCOMPARE(log.snapshot().mid(3),
                 (QStringList{"lost", "restore", "back+", "lost", "restore", "back+"}));
        keeper.stop();
    }

    void stopEndsTheRetries()
    {
        KeeperLog log;
        log.nFailuresLeft = 1000;
        CoreKeeper keeper;
        keeper.start(log.hooks());
        QTRY_COMPARE_WITH_TIMEOUT(log.snapshot(), QStringList{"failed"}, 3000);
        // Four failed attempts: the keeper now pauses two seconds. Stopping
        // ends the pause: stop returns before the pause would have ended.
        const auto attempts = [&log] {
            std::lock_guard<std::mutex> lock(log.mutex);
            return log.attemptTimes;
        };
        QTRY_VERIFY_WITH_TIMEOUT(attempts().size() >= 4, 20000);
        keeper.stop();
        const qint64 nStoppedAt = log.clock.elapsed();
        const QList<qint64> times = attempts();
        QVERIFY2(nStoppedAt < times.last() + CoreKeeper::retryDelayMs(times.size() - 1),
                 qPrintable(QString("%1 %2").arg(nStoppedAt).arg(times.last())));
        const int nAttempts = times.size();
        QTest::qWait(600);
        QCOMPARE(log.attemptTimes.size(), nAttempts);
    }

    void settingsGoBackInOrderThenShootingResumes()
    {
        OperatorSettings settings;
        RecordingCamera camera;
        // Nothing set: nothing written, nothing started.
        QVERIFY(settings.restore(camera));
        QCOMPARE(camera.calls, QStringList());

        settings.recordParam(PARAM_TRIGGER_GAP, 50);
        settings.recordParam(PARAM_GAIN, 3);
        settings.recordParam(PARAM_EXPOSURE, 100);
        settings.recordParam(PARAM_GAIN, 7);
        settings.recordParam(PARAM_DEBOUNCE, 40);
        settings.recordParam(PARAM_TRIGGER_MODE, 1);
        settings.recordContinuous(true);
        settings.recordVideo(true);
        settings.recordVideo(false);
        QVERIFY(settings.restore(camera));
        // The last value of each, with the camera's own types.
        QCOMPARE(camera.calls,
                 (QStringList{"setExposure 100", "setGain 7", "setDebounceTime 40", "setTriggerMode 1",
                              "setTriggerGap 50", "startContinuous"}));

        // A refused value does not keep the rest from going back.
        camera.calls.clear();
        camera.failing << "setGain";
        settings.recordContinuous(false);
        settings.recordVideo(true);
        QVERIFY(!settings.restore(camera));
        QCOMPARE(camera.calls,
                 (QStringList{"setExposure 100", "setGain 7", "setDebounceTime 40", "setTriggerMode 1",
                              "setTriggerGap 50", "startVideo"}));
        QVERIFY(!isCameraParam(3));
        QCOMPARE(applyCameraParam(camera, 3, 1), -1);
    }

    // Closing calls uninit once: an attempt in flight gives up through that call,
    // none starts after it, and a connection made before is closed by it.
    void closingEndsTheConnectionWithOneUninit()
    {
        {
            std::atomic<int> nUninit{0};
            ConnectGate gate([&] { ++nUninit; });
            QVERIFY(gate.beginAttempt());
            gate.endAttempt();
            gate.close();
            QCOMPARE(nUninit.load(), 0);
            QVERIFY(!gate.beginAttempt());
            gate.finish();
            gate.finish();
            QCOMPARE(nUninit.load(), 1);
        }
        {
            // An attempt blocked in connecting until uninit cancels it.
            std::mutex mutex;
            std::condition_variable wake;
            bool bCancelled = false;
            bool bInFlight = false;
            std::atomic<int> nUninit{0};
            ConnectGate gate([&] {
                ++nUninit;
                std::lock_guard<std::mutex> lock(mutex);
                bCancelled = true;
                wake.notify_all();
            });
            std::atomic<int> nAttempts{0};
            std::thread keeper([&] {
                while (gate.beginAttempt()) {
                    ++nAttempts;
                    {
                        std::unique_lock<std::mutex> lock(mutex);
                        bInFlight = true;
                        wake.notify_all();
                        wake.wait(lock, [&] { return bCancelled; });
                    }
                    gate.endAttempt();
                }
            });
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [&] { return bInFlight; });
            }
            gate.close();
            keeper.join();
            gate.finish();
            QCOMPARE(nUninit.load(), 1);
            QCOMPARE(nAttempts.load(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestServiceKeeper)
#include "tst_service_keeper.moc"
