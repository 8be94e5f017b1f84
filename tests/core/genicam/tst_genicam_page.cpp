// The operator's camera page on a GigE camera whose link loses packets: the real
// window and plugins, the vision core on Aravis's fake camera at its full
// 2048x2048 with a fifth of the packets lost. The figures show the losses beside
// received and shown, and the status list says what can be done; once the link
// is clean again frames come and the losses stop growing; a format the core cannot
// convert is listed. The service keeps one core connection per process, so CTest
// runs each case on its own. Runs inside a network namespace of its own
// (netns.sh), on the offscreen platform.

#include <QAction>
#include <QDir>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "CameraDescription.h"
#include "FakeGigEStation.h"
#include "WindowProbe.h"

using namespace std::chrono_literals;

namespace {

// The figures' "相机丢帧 N, 丢包 M": N, or -1 while they are not shown.
qint64 lostFrames(const QLabel* pFigures)
{
    static const QRegularExpression kLost(QString::fromUtf8("相机丢帧 (\\d+), 丢包 (\\d+)"));
    const QRegularExpressionMatch match = kLost.match(pFigures->text());
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// The figures' received frames a second.
double receivedFps(const QLabel* pFigures)
{
    static const QRegularExpression kReceived(QString::fromUtf8("接收 ([0-9.]+) 帧/秒"));
    const QRegularExpressionMatch match = kReceived.match(pFigures->text());
    return match.hasMatch() ? match.captured(1).toDouble() : -1.0;
}

// With KELVORA_SCREENSHOT_DIR set (relative: from the source tree), the page at
// 1280x800 as the operator sees it.
void screenshot(QWidget* pWindow, const char* pName)
{
    const QString qsSetting = qEnvironmentVariable("KELVORA_SCREENSHOT_DIR");
    if (qsSetting.isEmpty())
        return;
    pWindow->resize(1280, 800);
    QTest::qWait(1200);
    const QString qsDir = QDir(KELVORA_SOURCE_DIR).absoluteFilePath(qsSetting);
    QVERIFY(QDir().mkpath(qsDir));
    QVERIFY(pWindow->grab().save(QDir(qsDir).filePath(QString::fromLatin1(pName))));
}

bool listed(const QListWidget* pResults, const QString& qsStart)
{
    for (int i = 0; i < pResults->count(); ++i)
        if (pResults->item(i)->text().startsWith(qsStart))
            return true;
    return false;
}

} // namespace

class TestGenICamPage : public QObject
{
    Q_OBJECT

private slots:
    void lossyLinkIsShownAndToldThenStopsGrowingWhenClean();
    void unconvertibleFormatIsListedAndAPhotoFailsWithIt();
};

void TestGenICamPage::lossyLinkIsShownAndToldThenStopsGrowingWhenClean()
{
    FakeGigECamera fake;
    QVERIFY(fake.start({"-r", "200"}));
    SimCore core;
    QVERIFY(core.start({"--genicam", "127.0.0.1", "--reopen-every", "1", "--width", "2048", "--height",
                        "2048", "--video-fps", "5"}));
    WindowRun run;
    QVERIFY(run.start(core.endpoint()));
    QVERIFY(run.openCameraPage());
    QAction* pFiguresOn = run.panel()->findChild<QAction*>("action_Figures");
    QVERIFY(pFiguresOn);
    pFiguresOn->trigger();
    auto* pFigures = run.window->findChild<QLabel*>("lbl_AcquisitionFigures");
    QVERIFY(pFigures);
    auto* pResults = run.control<QListWidget>("listWidget_ShowResult");
    QVERIFY(pResults);

    run.control<QCheckBox>("checkBox_Video")->click();
    // Losses in the figures, and the line saying what the operator can do.
    QTRY_VERIFY_WITH_TIMEOUT(lostFrames(pFigures) > 0, 20000);
    QTRY_VERIFY_WITH_TIMEOUT(listed(pResults, QString::fromUtf8("相机链路在 5 秒内丢失")), 20000);
    qInfo("at 20 %% loss: %s", qPrintable(pFigures->text()));
    QVERIFY(pFigures->text().contains(QRegularExpression(QString::fromUtf8("丢包 [1-9]"))));
    QVERIFY(!pFigures->toolTip().isEmpty());
    screenshot(run.window.get(), "camera_page_lossy_link.png");

    // The same camera on a clean link: it is lost and back, frames come again,
    // and the losses stay where they were.
    const QString qsBack = QString::fromUtf8("相机已重新连接");
    fake.kill();
    QTRY_VERIFY_WITH_TIMEOUT(listed(pResults, QString::fromUtf8("相机连接中断")), 20000);
    QVERIFY(fake.start());
    QTRY_VERIFY_WITH_TIMEOUT(listed(pResults, qsBack), 20000);
    QTRY_VERIFY_WITH_TIMEOUT(receivedFps(pFigures) > 0.0, 20000);
    // Counted on the camera again after its return, then a while later.
    QTRY_VERIFY_WITH_TIMEOUT(pFigures->text().contains(QString::fromUtf8("相机丢帧")), 10000);
    QTest::qWait(3000);
    const qint64 nLostBefore = lostFrames(pFigures);
    QTest::qWait(5000);
    qInfo("clean link: %s", qPrintable(pFigures->text()));
    QVERIFY(receivedFps(pFigures) > 0.0);
    QCOMPARE(lostFrames(pFigures), nLostBefore);
    run.control<QCheckBox>("checkBox_Video")->click();
}

// A camera whose only pixel format the core cannot convert: the page lists the
// core's words naming it once the operator opened the camera, and a photo fails
// instead of being listed as done while no frame can come.
void TestGenICamPage::unconvertibleFormatIsListedAndAPhotoFailsWithIt()
{
    CameraDescription description;
    description.qsPixelFormat = QStringLiteral("YUV422Packed");
    description.nPixelFormat = 0x0210001f;
    QTemporaryDir dir;
    const QString qsFile = dir.filePath(QStringLiteral("camera.xml"));
    QVERIFY(description.writeTo(qsFile));
    FakeGigECamera fake;
    QVERIFY(fake.start({"-g", qsFile}));
    SimCore core;
    QVERIFY(core.start({"--genicam", "127.0.0.1", "--simulated", "0", "--width", "64", "--height", "64",
                        "--pixel-format", "YUV422Packed"}));
    WindowRun run;
    QVERIFY(run.start(core.endpoint()));
    QVERIFY(run.openCameraPage());
    auto* pResults = run.control<QListWidget>("listWidget_ShowResult");
    QVERIFY(pResults);
    QTRY_VERIFY_WITH_TIMEOUT(listed(pResults, QString::fromUtf8("视觉核心: pixel format YUV422Packed")),
                             10000);
    QVERIFY(run.probe.statuses(false).filter(QStringLiteral("YUV422Packed")).size() >= 1);

    run.probe.clear();
    run.toolButton("photo")->click();
    QTRY_VERIFY_WITH_TIMEOUT(run.probe.statuses(false).contains(QString::fromUtf8("调用相机拍照接口")), 5000);
    QTest::qWait(1000);
    QVERIFY(!run.probe.statuses(true).contains(QString::fromUtf8("调用相机拍照接口")));
    QVERIFY(!run.probe.statuses(true).contains(QString::fromUtf8("相机获取拍照成功")));
}

QTEST_MAIN(TestGenICamPage)
#include "tst_genicam_page.moc"
