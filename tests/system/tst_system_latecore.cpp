// The whole client in one process, started 5 s before its core: the window
// comes up without waiting, the camera page opened meanwhile gets the camera's
// ranges and values once the core is there, and commands succeed, all without
// a restart of the client.
#include "SimCore.h"
#include "StubCore.h"
#include "WindowProbe.h"

#include <QSlider>
#include <QtTest>

static void initHostResources()
{
    Q_INIT_RESOURCE(kelvora_host_icons);
}

class TestSystemLateCore : public QObject
{
    Q_OBJECT

private:
    QSlider* slider(const char* pName) const { return m_run.control<QSlider>(pName); }

    StubCore m_core;
    WindowRun m_run;

private slots:
    void cleanupTestCase()
    {
        m_run.window.reset();
        m_core.stop();
    }

    void pageFillsWhenTheCoreComes()
    {
        initHostResources();
        WindowProbe& probe = m_run.probe;
        const int nPort = SimCore::unusedPort();
        QElapsedTimer sinceStart;
        sinceStart.start();
        qint64 nBuiltMs = 0;
        QVERIFY(m_run.start(QString("127.0.0.1:%1").arg(nPort), &nBuiltMs));
        qInfo("window built in %lld ms and shown after %lld ms with no core", nBuiltMs, sinceStart.elapsed());
        // No connection attempt is made on this thread: the window is up and the
        // operator works in it while the attempts fail, however fast this machine is.
        QTRY_VERIFY_WITH_TIMEOUT(m_run.window->mainWidget()->inherits("CameraSearchNotFoundUI"), 10000);

        // The operator opens the camera page while the core is still away.
        probe.startTicking();
        QVERIFY(m_run.openCameraPage());
        QTest::qWait(100);
        QCOMPARE(slider("horizontalSlider_Quick")->maximum(), 99);
        QVERIFY(probe.statuses(false).contains("相机初始化失败"));

        // The core comes 5 s after the client. Meanwhile the window's event loop
        // keeps turning: a link that waited for the core on this thread would hold
        // it through the whole wait, and the ticker would hardly run.
        QTest::qWait(int(5000 - sinceStart.elapsed()));
        const int nTicksWhileAway = probe.ticks();
        QVERIFY(m_core.start(StubCore::Options{true, nPort}));
        QElapsedTimer sinceCore;
        sinceCore.start();
        QTRY_COMPARE_WITH_TIMEOUT(slider("horizontalSlider_Quick")->maximum(), 100000, 8000);
        qInfo("ranges on the page %lld ms after the core listened", sinceCore.elapsed());
        probe.stopTicking();
        QCOMPARE(slider("horizontalSlider_Quick")->minimum(), 20);
        QCOMPARE(slider("horizontalSlider_Gain")->maximum(), 24);
        QCOMPARE(slider("horizontalSlider_QD")->maximum(), 1000);
        QVERIFY(probe.statuses(true).contains("相机初始化成功"));
        // Waiting for the core never held the window. The longest stall is this
        // machine's figure, not the measure.
        qInfo("%d ticks while the core was away, longest stall %lld ms", nTicksWhileAway, probe.longestGap());
        QVERIFY2(nTicksWhileAway >= 20, qPrintable(QString::number(nTicksWhileAway)));

        probe.clear();
        m_core.clearLog();
        m_run.toolButton("photo")->click();
        QCOMPARE(probe.statuses(true), QStringList{"调用相机拍照接口"});
        QCOMPARE(m_core.log(), std::vector<std::string>{"command:COMMAND_TAKE_PHOTO"});
    }
};

QTEST_MAIN(TestSystemLateCore)
#include "tst_system_latecore.moc"
