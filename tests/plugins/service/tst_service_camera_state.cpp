// Camera-lost and camera-back messages of the core reach the camera page's
// status list, from the core's thread, at most one line a second, the newest
// state never lost; every other core message stays out of the list.
#include "CameraStateNotice.h"
#include "RunFolder.h"
#include "Service.h"
#include "SimCore.h"
#include "framework/PluginMessages.h"

#include <QElapsedTimer>
#include <QtTest>

#include <thread>

namespace {

Json::Value cameraMessage(const char* pState)
{
    Json::Value message(Json::objectValue);
    message["camera"] = pState;
    return message;
}

struct Shown
{
    QString qsText;
    bool bSuccess;
    qint64 nAtMs;
};

} // namespace

class StatusProbe : public QObject
{
    Q_OBJECT
public:
    QList<PluginMetaData> results;

public slots:
    void slotEventFromPlugins(PluginMetaData plt)
    {
        if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == MSG_RESULT)
            results << plt;
    }
};

class TestServiceCameraState : public QObject
{
    Q_OBJECT

private slots:
    void onlyCameraLostAndBackAreShown();
    void burstsShowAtMostOneLinePerGapAndTheNewestState();
    void serviceListsTheCoreMessageFromItsThread();
    void figuresCarryTheCamerasState();
};

void TestServiceCameraState::onlyCameraLostAndBackAreShown()
{
    bool bBack = true;
    QVERIFY(CameraStateNotice::parse(MESSAGE_TYPE_CAMERA_STATE, cameraMessage("lost"), &bBack));
    QVERIFY(!bBack);
    QVERIFY(CameraStateNotice::parse(MESSAGE_TYPE_CAMERA_STATE, cameraMessage("back"), &bBack));
    QVERIFY(bBack);
    // Mode changes, other kinds, other shapes: left to the log.
    Json::Value state(Json::objectValue);
    state["state"] = "video";
    QVERIFY(!CameraStateNotice::parse(MESSAGE_TYPE_CAMERA_STATE, state, &bBack));
    QVERIFY(!CameraStateNotice::parse(MESSAGE_TYPE_INFO, cameraMessage("lost"), &bBack));
    QVERIFY(!CameraStateNotice::parse(MESSAGE_TYPE_CAMERA_STATE, cameraMessage("sleepy"), &bBack));
    QVERIFY(!CameraStateNotice::parse(MESSAGE_TYPE_CAMERA_STATE, Json::Value("lost"), &bBack));
    Json::Value number(Json::objectValue);
    number["camera"] = 1;
    QVERIFY(!CameraStateNotice::parse(MESSAGE_TYPE_CAMERA_STATE, number, &bBack));
}

void TestServiceCameraState::burstsShowAtMostOneLinePerGapAndTheNewestState()
{
    const int nGapMs = 300;
    QList<Shown> shown;
    QElapsedTimer clock;
    clock.start();
    CameraStateNotice notice(
        [&](const QString& qsText, bool bSuccess) {
            shown << Shown{qsText, bSuccess, clock.elapsed()};
        },
        nGapMs);
    // A flapping camera, heard on the core link's thread.
    std::thread core([&] {
        for (const char* pState : {"lost", "back", "lost", "back", "lost", "back"})
            notice.post(MESSAGE_TYPE_CAMERA_STATE, cameraMessage(pState));
    });
    core.join();
    QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 2, 3000);
    QTest::qWait(2 * nGapMs);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].qsText, QString::fromUtf8(CameraStateNotice::kLostText));
    QVERIFY(!shown[0].bSuccess);
    // The camera is back in the end, and the list says so.
    QCOMPARE(shown[1].qsText, QString::fromUtf8(CameraStateNotice::kBackText));
    QVERIFY(shown[1].bSuccess);
    QVERIFY(shown[1].nAtMs - shown[0].nAtMs >= nGapMs - 5);

    // After a quiet gap the next message is shown at once.
    // (Delivering the queued message is enough: no pause timer is involved.)
    QTest::qWait(nGapMs);
    notice.post(MESSAGE_TYPE_CAMERA_STATE, cameraMessage("lost"));
    QCoreApplication::sendPostedEvents(&notice);
    QCOMPARE(shown.size(), 3);
    QCOMPARE(shown[2].qsText, QString::fromUtf8(CameraStateNotice::kLostText));
}

void TestServiceCameraState::serviceListsTheCoreMessageFromItsThread()
{
    SimCore sim;
    RunFolder run;
    QVERIFY(sim.start({"--width", "64", "--height", "48"}));
    QVERIFY(run.writeConfig(sim.endpoint()));
    QVERIFY(run.enter());
    Service service;
    StatusProbe probe;
    connect(&service, &DTPluginBase::sendSignalToPlugins, &probe, &StatusProbe::slotEventFromPlugins);
    std::thread core([&] {
        service.onMessageCallback(MESSAGE_TYPE_INFO, cameraMessage("lost"));
        service.onMessageCallback(MESSAGE_TYPE_CAMERA_STATE, cameraMessage("lost"));
    });
    core.join();
    QTRY_COMPARE_WITH_TIMEOUT(probe.results.size(), 1, 3000);
    QCOMPARE(probe.results[0].jsonData["result"].toString(), QString::fromUtf8(CameraStateNotice::kLostText));
    QCOMPARE(probe.results[0].jsonData["success"].toInt(), 0);
    QTest::qWait(200);
    QCOMPARE(probe.results.size(), 1);
}

// The figures tell the camera's state beside the link's: a reachable core with a
// lost camera must not read as all well.
void TestServiceCameraState::figuresCarryTheCamerasState()
{
    int nState = -1;
    QVERIFY(CameraStateNotice::parseState(MESSAGE_TYPE_CAMERA_STATE, cameraMessage("reopening"), &nState));
    QCOMPARE(nState, int(CameraStateNotice::StateReopening));
    QVERIFY(!CameraStateNotice::parseState(MESSAGE_TYPE_INFO, cameraMessage("lost"), &nState));
    QVERIFY(!CameraStateNotice::parseState(MESSAGE_TYPE_CAMERA_STATE, cameraMessage("sleepy"), &nState));

    // The state is the service's own, connected or not.
    Service service;
    StatusProbe probe;
    connect(&service, &DTPluginBase::sendSignalToPlugins, &probe, &StatusProbe::slotEventFromPlugins);
    QCOMPARE(service.figures().value("camera_state").toString(), QString());
    const struct
    {
        const char* pMessage;
        const char* pState;
    } steps[] = {{"lost", "lost"}, {"reopening", "reopening"}, {"sleepy", "reopening"}, {"back", "back"}};
    for (const auto& step : steps) {
        std::thread core(
            [&] { service.onMessageCallback(MESSAGE_TYPE_CAMERA_STATE, cameraMessage(step.pMessage)); });
        core.join();
        QCOMPARE(service.figures().value("camera_state").toString(), QString(step.pState));
    }
    // The reopening message is for the figures only: lost and back are the two lines.
    QTRY_COMPARE_WITH_TIMEOUT(probe.results.size(), 2, 5000);
    QCOMPARE(probe.results[0].jsonData["result"].toString(), QString::fromUtf8(CameraStateNotice::kLostText));
    QCOMPARE(probe.results[1].jsonData["result"].toString(), QString::fromUtf8(CameraStateNotice::kBackText));
    service.onMessageCallback(MESSAGE_TYPE_CAMERA_STATE, cameraMessage("reopening"));
    QTest::qWait(1500);
    QCOMPARE(probe.results.size(), 2);
    QCOMPARE(service.figures().value("camera_state").toString(), QString("reopening"));
}

QTEST_MAIN(TestServiceCameraState)
#include "tst_service_camera_state.moc"
