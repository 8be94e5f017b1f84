// The background connection keeper and the operator's settings it puts back,
// without a core: hooks and a camera that record what happens to them.
#include "ConnectGate.h"
#include "CoreKeeper.h"
#include "OperatorSettings.h"
#include "corelink/CCameraBase.h"
#include "framework/PluginMessages.h"

#include <QElapsedTimer>
#include <QSet>
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
    // Calls that start with one of these fail.
    QStringList failing;

    void setFrameCallback(FrameCallback) override {}
    void setRejectedFrameCallback(RejectedFrameCallback) override {}
    int getCameraInfo(CameraInfo*) override { return note("getCameraInfo"); }
    // "set <row name> <value>", in the row's own type.
    int setParam(const CameraParam& param, const ParamNumber& value, std::string* pReason) override
    {
        const QString strValue = value.type == ParamType::U32 ? QString::number(value.u32)
            : value.type == ParamType::F32                    ? QString::number(double(value.f32))
                                                              : QString::number(value.i32);
        const int nResult = note(QString("set %1 %2").arg(param.pName, strValue));
        if (nResult != 0 && pReason)
            *pReason = "refused";
        return value.type == param.type ? nResult : 3;
    }
    int getParam(const CameraParam& param, ParamNumber*, std::string*) override
    {
        return note(QString("get %1").arg(param.pName));
    }
    int runCommand(CameraCommand command, std::string*) override
    {
        const char* const names[] = {"",           "takePhoto", "startContinuous", "stopContinuous",
                                     "startVideo", "stopVideo"};
        return note(names[int(command)]);
    }

private:
    int note(const QString& strCall)
    {
        calls << strCall;
        for (const QString& strFailing : failing)
            if (strCall.startsWith(strFailing))
                return 14;
        return 0;
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
        settings.recordParam(PARAM_TRIGGER_TYPE, 1);
        settings.recordContinuous(true);
        settings.recordVideo(true);
        settings.recordVideo(false);
        QVERIFY(settings.restore(camera));
        // The last value of each, with the camera's own types.
        QCOMPARE(camera.calls,
                 (QStringList{"set exposure 100", "set gain 7", "set debounce 40", "set trigger mode 1",
                              "set trigger gap 50", "set trigger type 1", "startContinuous"}));

        // A refused value does not keep the rest from going back.
        camera.calls.clear();
        camera.failing << "set gain";
        settings.recordContinuous(false);
        settings.recordVideo(true);
        QVERIFY(!settings.restore(camera));
        QCOMPARE(camera.calls,
                 (QStringList{"set exposure 100", "set gain 7", "set debounce 40", "set trigger mode 1",
                              "set trigger gap 50", "set trigger type 1", "startVideo"}));
        QVERIFY(!camera_params::byIndex(3));
    }

    // Each row is found by its index, its protocol number and both its bus ids, and no
    // two rows share any of them: the dispatch and the core would mix them up.
    void everyParameterRowIsFoundByEachOfItsAddresses()
    {
        QSet<int> indexes, protos, messages;
        for (const CameraParam& param : kCameraParams) {
            QCOMPARE(camera_params::byIndex(param.nIndex), &param);
            QCOMPARE(camera_params::byProto(param.nProtoParam), &param);
            bool bSet = false;
            QCOMPARE(camera_params::byMessage(param.nSetMsg, &bSet), &param);
            QVERIFY(bSet);
            QVERIFY(param.pSetText && *param.pSetText);
            if (param.nGetMsg != 0) {
                QCOMPARE(camera_params::byMessage(param.nGetMsg, &bSet), &param);
                QVERIFY(!bSet);
                QVERIFY(param.pGetText && *param.pGetText);
                QVERIFY(!messages.contains(param.nGetMsg));
                messages << param.nGetMsg;
            }
            QVERIFY(!indexes.contains(param.nIndex));
            QVERIFY(!protos.contains(param.nProtoParam));
            QVERIFY(!messages.contains(param.nSetMsg));
            indexes << param.nIndex;
            protos << param.nProtoParam;
            messages << param.nSetMsg;
            // Bounds come either from two range fields or from the row itself.
            QCOMPARE(param.pRangeMin == nullptr, param.pRangeMax == nullptr);
            if (!param.pRangeMin)
                QVERIFY(param.dFixedMin < param.dFixedMax);
        }
        QVERIFY(!camera_params::byMessage(0, nullptr));
        QVERIFY(!camera_params::byMessage(MSG_TAKE_PHOTO, nullptr));
        QVERIFY(!camera_params::byIndex(3));
    }

    // The named operations of the camera are its rows and commands, in the row's type.
    void namedOperationsAreRowsOfTheTable()
    {
        RecordingCamera camera;
        camera.setExposure(4000000000u);
        camera.setGain(2.5f);
        camera.setTriggerGap(12.5f);
        camera.setTriggerMode(0);
        camera.setDebounceTime(-3);
        camera.setTriggerType(1);
        unsigned nExposure = 0;
        int nType = 0;
        camera.getExposure(&nExposure);
        camera.getTriggerType(&nType);
        camera.takePhoto();
        camera.stopVideo();
        QCOMPARE(camera.calls,
                 (QStringList{"set exposure 4000000000", "set gain 2.5", "set trigger gap 12.5",
                              "set trigger mode 0", "set debounce -3", "set trigger type 1", "get exposure",
                              "get trigger type", "takePhoto", "stopVideo"}));
        // No place for the result: refused before any call.
        camera.calls.clear();
        QCOMPARE(camera.getGain(nullptr), -1);
        QCOMPARE(camera.calls, QStringList());
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
