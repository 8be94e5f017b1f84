// An operator's hour at the station, replayed against the vision-core simulator with
// the real window and plugins in one process: saving on, a look at the local files
// and back, thousands of per-frame status lines, the core killed, zooming into a live
// picture, and a core that floods frames while the service logs.
//
// With KELVORA_SCREENSHOT_DIR set, the camera page is saved as a picture at the
// screen's size and in the chosen language (KELVORA_LANG=en): "shift_<w>x<h>_<lang>.png".
#include "CameraTabs.h"
#include "DTTitleBar.h"
#include "DTToolBar.h"
#include "ClientStart.h"
#include "MainWindow.h"
#include "RunFolder.h"
#include "ScreenPicture.h"
#include "SimCore.h"
#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QGraphicsView>
#include <QLineEdit>
#include <QListWidget>
#include <QSlider>
#include <QPluginLoader>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <memory>

static void initHostResources()
{
    Q_INIT_RESOURCE(kelvora_host_icons);
}

namespace {

const char* const kFrameStatus = "相机获取拍照成功";
const char* const kLost = "与视觉核心的连接已断开，正在重新连接";
const QColor kFailureColour(238, 70, 59);

} // namespace

class TestSystemShift : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void savingStopsOnlyWhereTheOperatorIsTold();
    void failuresOutlastAShiftOfFrameLines();
    void keptZoomHoldsDuringVideo();
    void killedCoreIsInView();
    void floodingCoreKeepsTheLogSmall();

private:
    QWidget* panel() const { return m_pWindow->mainFuncWidget()->findChild<QWidget*>("CapturoUI"); }
    template <typename T>
    T* control(const char* pName) const
    {
        return panel()->findChild<T*>(pName);
    }
    QPushButton* toolButton(const char* pName) const
    {
        return m_pWindow->toolBar()->findChild<QPushButton*>(pName);
    }
    QListWidget* results() const { return control<QListWidget>("listWidget_ShowResult"); }
    QWidget* savePopup() const;
    QStringList failureLines() const;
    bool listed(const QString& qsLine) const;
    void screenshot();
    // Status records as the host relays them, counted from the start.
    int m_nFrameLines = 0;
    QStringList m_failures;

    SimCore m_core;
    SimCore m_flood;
    int m_nPort = 0;
    bool m_bEnglish = false;
    std::unique_ptr<RunFolder> m_pRun;
    QTemporaryDir m_home;
    QTemporaryDir m_localFolder;
    std::unique_ptr<MainWindow> m_pWindow;
    QObject* m_pService = nullptr;
};

void TestSystemShift::initTestCase()
{
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    initHostResources();
    QVERIFY(m_home.isValid() && m_localFolder.isValid());
    qputenv("HOME", m_home.path().toUtf8());
    qunsetenv("XDG_CONFIG_HOME");
    for (int i = 0; i < 2; ++i) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(i ? Qt::darkGreen : Qt::darkBlue);
        QVERIFY(image.save(m_localFolder.path() + QString("/local_%1.bmp").arg(i)));
    }

    QVERIFY(m_core.start({"--width", "320", "--height", "240"}));
    m_nPort = m_core.port();
    QVERIFY(startClient(m_core.endpoint(), m_pRun, m_pWindow, &m_bEnglish));
    // Every status the service sends, whether or not the list still holds it.
    connect(m_pWindow.get(), &MainWindow::sendSignalToPlugins, this, [this](const PluginMetaData& plt) {
        if (plt.nModule != MODULE_CAPTURO || plt.nMsgId != MSG_RESULT)
            return;
        const QString qsText = plt.jsonData.value("result").toString();
        if (plt.jsonData.value("success").toInt() != 1)
            m_failures << qsText;
        else if (qsText == QString::fromUtf8(kFrameStatus))
            ++m_nFrameLines;
    });
    m_pService = QPluginLoader("plugins/service.so").instance();
    QVERIFY(m_pService);
    QTRY_VERIFY_WITH_TIMEOUT(m_pService->property("connected").toBool(), 5000);

    // The simulator's one camera, opened by the service at start (not a placeholder,
    // which holds the first tab's place until the core's list came).
    QTRY_VERIFY_WITH_TIMEOUT(m_pWindow->cameraTabs()->tabOf("sim-1"), 10000);
    QAbstractButton* pTab = m_pWindow->titleBar()->tabButtons().value(0);
    QVERIFY(pTab && pTab == m_pWindow->cameraTabs()->tabOf("sim-1"));
    QTest::mouseClick(pTab, Qt::LeftButton, {}, QPoint(12, pTab->height() / 2));
    QVERIFY(panel());
    QTRY_VERIFY_WITH_TIMEOUT(panel()->isVisible(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(control<QSlider>("horizontalSlider_Gain")->maximum() == 24, 5000);
}

void TestSystemShift::cleanupTestCase()
{
    m_pWindow.reset();
    m_core.stop();
    m_flood.stop();
}

QWidget* TestSystemShift::savePopup() const
{
    for (QWidget* pWidget : QApplication::topLevelWidgets())
        if (pWidget->objectName() == "ImageSetting")
            return pWidget;
    return nullptr;
}

QStringList TestSystemShift::failureLines() const
{
    QStringList lines;
    for (int i = 0; i < results()->count(); ++i)
        if (results()->item(i)->foreground().color() == kFailureColour)
            lines << results()->item(i)->text();
    return lines;
}

bool TestSystemShift::listed(const QString& qsLine) const
{
    for (int i = 0; i < results()->count(); ++i)
        if (results()->item(i)->text() == qsLine)
            return true;
    return false;
}

void TestSystemShift::screenshot()
{
    QVERIFY(saveScreenPicture("shift", m_bEnglish));
}

// Saving on as JPG, four photos saved; a look at the local files and back: saving is
// off, and both steps say so in the status list.
void TestSystemShift::savingStopsOnlyWhereTheOperatorIsTold()
{
    const QString qsFolder = m_home.path() + "/Documents/kelvora/images";
    QWidget* pPopup = savePopup();
    QVERIFY(pPopup);
    pPopup->findChild<QCheckBox*>("checkBox")->click();
    pPopup->findChild<QRadioButton*>("radio_Jpg")->click();
    for (int i = 0; i < 4; ++i) {
        const int nBefore = QDir(qsFolder).entryList({"*.jpg"}, QDir::Files).size();
        QTest::mouseClick(toolButton("photo"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(QDir(qsFolder).entryList({"*.jpg"}, QDir::Files).size(), nBefore + 1,
                                  10000);
    }
    QTRY_COMPARE_WITH_TIMEOUT(control<QListWidget>("listWidget_Image")->count(), 4, 5000);

    // The folder dialog is answered with the local folder.
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (auto* pDialog = qobject_cast<QFileDialog*>(pWidget); pDialog && pDialog->isVisible()) {
                answer.stop();
                pDialog->setDirectory(m_localFolder.path());
                static_cast<QDialog*>(pDialog)->accept();
            }
    });
    answer.start(50);
    QTest::mouseClick(control<QToolButton>("toolBtn_LocalFile"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(control<QListWidget>("listWidget_Image")->count(), 2, 10000);
    const QString qsOff = QCoreApplication::translate("CapturoUI", "选择本地文件后保存图片已关闭");
    QVERIFY(failureLines().contains(qsOff));
    QTest::mouseClick(control<QToolButton>("toolBtn_Camera"), Qt::LeftButton);
    const QString qsNotSaving = QCoreApplication::translate(
        "CapturoUI", "相机帧现在不保存，请在图像保存设置中打开保存图片");
    QCOMPARE(failureLines().last(), qsNotSaving);

    // The next photos are shown, not saved, as the lines said.
    const int nFrames = m_nFrameLines;
    for (int i = 0; i < 2; ++i)
        QTest::mouseClick(toolButton("photo"), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(m_nFrameLines, nFrames + 2, 10000);
    QTest::qWait(300);
    QCOMPARE(QDir(qsFolder).entryList({"*.jpg"}, QDir::Files).size(), 4);
}

// More per-frame lines than the list holds (continuous shooting at its fastest):
// every failure of the shift is still in the list afterwards. Only the count is
// waited for; a sanitizer build on a loaded machine shows some 50 frames a second.
void TestSystemShift::failuresOutlastAShiftOfFrameLines()
{
    // A refused setting among them.
    const int nFailures = failureLines().size();
    QLineEdit* pGain = control<QLineEdit>("plainText_Gain");
    pGain->selectAll();
    QTest::keyClicks(pGain, "30");
    QTest::keyClick(pGain, Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(failureLines().size(), nFailures + 1, 5000);
    const QStringList before = failureLines();
    // Shooting at its fastest: internal trigger every millisecond, set on the core.
    for (const auto& setting : {std::make_pair(kelvora::core::PARAM_TRIGGER_MODE, 1.0),
                                std::make_pair(kelvora::core::PARAM_TRIGGER_GAP, 1.0)}) {
        kelvora::core::ParamValue value;
        value.set_param(setting.first);
        if (setting.first == kelvora::core::PARAM_TRIGGER_GAP)
            value.set_f32(float(setting.second));
        else
            value.set_i32(int(setting.second));
        QVERIFY(m_core.setParam(value));
    }

    const int nStart = m_nFrameLines;
    QTest::mouseClick(toolButton("continuePhoto"), Qt::LeftButton);
    QVERIFY(toolButton("continuePhoto")->isChecked());
    // Enough to push the shift's first lines out of a list that kept only its newest.
    const int nOverflow = 5000 + 200;
    QTRY_VERIFY2_WITH_TIMEOUT(m_nFrameLines >= nStart + nOverflow,
                              qPrintable(QString::number(m_nFrameLines - nStart)), 360000);
    QTest::mouseClick(toolButton("continuePhoto"), Qt::LeftButton);
    QVERIFY(!toolButton("continuePhoto")->isChecked());
    QTest::qWait(500);

    QCOMPARE(results()->count(), 5000);
    QStringList expected;
    for (const QString& qsFailure : qAsConst(m_failures))
        expected << QCoreApplication::translate("Service", qsFailure.toUtf8().constData());
    expected.prepend("Init");
    const QStringList shown = failureLines();
    for (const QString& qsLine : qAsConst(expected))
        QVERIFY2(shown.contains(qsLine), qPrintable(qsLine));
    // And those of the page itself: every failure line of the shift so far.
    for (const QString& qsLine : before)
        QVERIFY2(shown.contains(qsLine), qPrintable(qsLine));
    QVERIFY(shown.size() >= before.size());
}

// Keep-zoom on, zoomed in during video: the frames keep coming and the view keeps
// the zoom.
void TestSystemShift::keptZoomHoldsDuringVideo()
{
    QAction* pKeep = panel()->findChild<QAction*>("action_KeepZoom");
    QVERIFY(pKeep);
    QVERIFY(!pKeep->isChecked());
    pKeep->trigger();
    control<QCheckBox>("checkBox_Video")->click();
    QGraphicsView* pView = control<QGraphicsView>("graphicsView_Image");
    QTRY_VERIFY_WITH_TIMEOUT(pView->scene(), 5000);
    const int nBefore = m_nFrameLines;
    QTRY_VERIFY_WITH_TIMEOUT(m_nFrameLines >= nBefore + 5, 30000);
    const QTransform fitted = pView->transform();
    // One step in: on a large screen the fitted frame is already near the largest zoom.
    QTest::mouseClick(toolButton("m_pExpandBtn"), Qt::LeftButton);
    const QTransform zoomed = pView->transform();
    QVERIFY2(zoomed.m11() > fitted.m11() * 1.1,
             qPrintable(QString("%1 -> %2").arg(fitted.m11()).arg(zoomed.m11())));
    const QGraphicsScene* pScene = pView->scene();
    const int nZoomed = m_nFrameLines;
    // Frames keep replacing the scene; however slowly they come, the zoom stays.
    QTRY_VERIFY_WITH_TIMEOUT(m_nFrameLines >= nZoomed + 25, 60000);
    QTRY_VERIFY_WITH_TIMEOUT(pView->scene() != pScene, 30000);
    QCOMPARE(pView->transform(), zoomed);
    screenshot();
    control<QCheckBox>("checkBox_Video")->click();
    pKeep->trigger();
}

// The core killed: its line is in view without scrolling, although the operator had
// scrolled the list to its top.
void TestSystemShift::killedCoreIsInView()
{
    results()->scrollToTop();
    QTest::qWait(300);
    m_core.kill();
    const QString qsLost = QCoreApplication::translate("Service", kLost);
    QTRY_VERIFY_WITH_TIMEOUT(listed(qsLost), 10000);
    QCoreApplication::processEvents();
    QListWidgetItem* pLost = nullptr;
    for (int i = results()->count() - 1; i >= 0 && !pLost; --i)
        if (results()->item(i)->text() == qsLost)
            pLost = results()->item(i);
    QVERIFY(results()->viewport()->rect().contains(results()->visualItemRect(pLost).center()));
}

// A core flooding tiny frames for at least 10 s and 5,000 frames, as fast as the
// client takes them (the simulator paces at most 1,000 a second otherwise): the service's log grows by a
// few lines a second, every frame still counted, and this run's log files stay few
// and small, so the next start's trim has nothing unbounded to chase.
void TestSystemShift::floodingCoreKeepsTheLogSmall()
{
    // The core comes back on its port, now flooding.
    QVERIFY(m_flood.start({"--width", "16", "--height", "12", "--video-fps", "0"}, m_nPort));
    QTRY_VERIFY_WITH_TIMEOUT(m_pService->property("connected").toBool(), 15000);
    QTest::qWait(500);
    const quint64 nBefore = m_pService->property("receivedFrames").toULongLong();
    const QDateTime start = QDateTime::currentDateTime();
    // However fast this machine takes them: at least 10 s and 5,000 frames.
    const auto flooded = [&]() { return m_pService->property("receivedFrames").toULongLong() - nBefore; };
    control<QCheckBox>("checkBox_Video")->click();
    QTest::qWait(10000);
    QTRY_VERIFY_WITH_TIMEOUT(flooded() >= 5000, 120000);
    control<QCheckBox>("checkBox_Video")->click();
    const QDateTime end = QDateTime::currentDateTime();
    const quint64 nFlood = flooded();
    qInfo("flood: %llu frames in %lld s", nFlood, start.secsTo(end));
    // A line in a later second brings the count of the last one: once the frames
    // still on their way have come in, a photo's frame in a second of its own.
    const auto received = [this]() { return m_pService->property("receivedFrames").toULongLong(); };
    quint64 nSettled = received();
    for (int i = 0; i < 120; ++i) {
        QTest::qWait(1000);
        const quint64 nNow = received();
        if (nNow == nSettled)
            break;
        nSettled = nNow;
    }
    QTest::qWait(1100);
    QTest::mouseClick(toolButton("photo"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(received() > nSettled, 20000);

    QStringList serviceFiles;
    for (const QString& qsFile : qApp->property("kelvora.runLogFiles").toStringList())
        if (QFileInfo(qsFile).fileName().startsWith("RpcService_") && QFileInfo::exists(qsFile))
            serviceFiles << qsFile;
    QVERIFY(!serviceFiles.isEmpty());
    QVERIFY2(serviceFiles.size() <= 10, qPrintable(serviceFiles.join(' ')));
    qint64 nBytes = 0;
    int nFloodLines = 0;
    quint64 nFrameInit = 0;
    const QRegularExpression repeat(
        QString::fromUtf8("^\\((.{19})\\)_Debug:: \\d\\d:\\d\\d:\\d\\d 这一秒内另有 (\\d+) "
                          "行相同未逐行写出: frameInit$"));
    for (const QString& qsFile : qAsConst(serviceFiles)) {
        QFile file(qsFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        nBytes += bytes.size();
        for (const QString& qsLine : QString::fromUtf8(bytes).split("\r\n", Qt::SkipEmptyParts)) {
            const QDateTime at = QDateTime::fromString(qsLine.mid(1, 19), "yyyy-MM-dd hh:mm:ss");
            if (at >= start.addSecs(-1) && at <= end.addSecs(1))
                ++nFloodLines;
            if (qsLine.endsWith("_Debug:: frameInit"))
                ++nFrameInit;
            const QRegularExpressionMatch match = repeat.match(qsLine);
            if (match.hasMatch())
                nFrameInit += match.captured(2).toULongLong();
        }
    }
    const qint64 nSeconds = start.secsTo(end) + 3;
    qInfo("service log: %d lines in the flood's %lld seconds, %lld bytes in all", nFloodLines, nSeconds,
          nBytes);
    // frameInit and the core's event lines each at most 50 and one count a second,
    // however many frames came in that second.
    QVERIFY2(nFloodLines <= nSeconds * 160, qPrintable(QString::number(nFloodLines)));
    // Every frame of the run is in the log, one by one or in a count.
    QVERIFY2(nFrameInit >= m_pService->property("receivedFrames").toULongLong(),
             qPrintable(QString::number(nFrameInit)));
    QVERIFY2(nBytes < 4 * 1024 * 1024, qPrintable(QString::number(nBytes)));
}

QTEST_MAIN(TestSystemShift)
#include "tst_system_shift.moc"
