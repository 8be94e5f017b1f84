#include "CameraTabs.h"
#include "DTTitleBar.h"
#include "MainWindow.h"
#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QSignalSpy>
#include <QtTest>

#include "TestSuite.h"

namespace {
PluginMetaData record(int nModule, int nMsgId, const QJsonObject& json)
{
    PluginMetaData plt;
    plt.nModule = nModule;
    plt.nMsgId = nMsgId;
    plt.jsonData = json;
    return plt;
}

PluginMetaData openReply(const QString& id, const QString& caption, int nSuccess = 1)
{
    return record(
        MODULE_CAPTURO, MSG_OPEN_CAMERA,
        {{"camera", id}, {"success", nSuccess}, {"error", ""}, {"caption", caption}, {"model", "M"}});
}

QList<PluginMetaData> sentWith(const QSignalSpy& spy, int nModule, int nMsgId)
{
    QList<PluginMetaData> list;
    for (const QList<QVariant>& args : spy) {
        const PluginMetaData plt = args.at(0).value<PluginMetaData>();
        if (plt.nModule == nModule && plt.nMsgId == nMsgId)
            list << plt;
    }
    return list;
}

QStringList names(DTTitleBar* pBar)
{
    QStringList list;
    for (QAbstractButton* pBtn : pBar->tabButtons())
        list << pBtn->objectName();
    return list;
}

QStringList captions(DTTitleBar* pBar)
{
    QStringList list;
    for (QAbstractButton* pBtn : pBar->tabButtons())
        list << pBtn->text();
    return list;
}

void pressCloseMark(QAbstractButton* pTab)
{
    QTest::mousePress(pTab, Qt::LeftButton, {}, QPoint(pTab->width() - 8, 20));
    QTest::mouseRelease(pTab, Qt::LeftButton, {}, QPoint(pTab->width() - 8, 20));
}
} // namespace

class TestCameraTabs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void olderCoreKeepsPlaceholders();
    void openCamerasGetCaptionedTabs();
    void clickingATabChoosesItsCamera();
    void closeMarkClosesTheCamera();
    void closedElsewhereAndOpenedAgain();

private:
    MainWindow* m_pWindow = nullptr;
};

void TestCameraTabs::initTestCase()
{
    Q_INIT_RESOURCE(kelvora_host_icons);
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
}

void TestCameraTabs::init()
{
    m_pWindow = new MainWindow(HostLifecycle(HostLifecycle::NoPlugins, HostLifecycle::ReturnOnExit));
    QVERIFY(QTest::qWaitForWindowExposed(m_pWindow));
}

void TestCameraTabs::cleanup()
{
    delete m_pWindow;
    m_pWindow = nullptr;
}

void TestCameraTabs::olderCoreKeepsPlaceholders()
{
    MainWindow& w = *m_pWindow;
    DTTitleBar* pBar = w.titleBar();
    const QStringList placeholderNames{"test_obj1", "test_obj"};
    // An acknowledgement, an older core's answer and an unreachable core name no camera.
    w.slotEventFromPlugins(record(MODULE_SCANVOR, MSG_LIST_CAMERAS, {{"ack", true}}));
    w.slotEventFromPlugins(
        record(MODULE_SCANVOR, MSG_LIST_CAMERAS, {{"cameras", QJsonArray()}, {"legacy", true}}));
    w.slotEventFromPlugins(
        record(MODULE_SCANVOR, MSG_LIST_CAMERAS, {{"cameras", QJsonArray()}, {"error", "down"}}));
    // A failed open is no camera either.
    w.slotEventFromPlugins(openReply("cam-a", "Left", 0));
    QCOMPARE(names(pBar), placeholderNames);
    QCOMPARE(captions(pBar), QStringList({"IS2S02Maushdsu", "IS2S02Maushdsu"}));
    QVERIFY(w.cameraTabs()->hasPlaceholders());

    // A core that lists its cameras takes the placeholders away, even with none open.
    w.slotEventFromPlugins(
        record(MODULE_SCANVOR, MSG_LIST_CAMERAS, {{"cameras", QJsonArray()}, {"error", ""}}));
    QVERIFY(pBar->tabButtons().isEmpty());
    QVERIFY(!w.cameraTabs()->hasPlaceholders());
}

void TestCameraTabs::openCamerasGetCaptionedTabs()
{
    MainWindow& w = *m_pWindow;
    DTTitleBar* pBar = w.titleBar();
    QSignalSpy spy(&w, &MainWindow::sendSignalToPlugins);
    w.slotEventFromPlugins(openReply("cam-a", "Left view"));
    QCOMPARE(names(pBar), QStringList({"test_obj1"}));
    QCOMPARE(captions(pBar), QStringList({"Left view"}));
    w.slotEventFromPlugins(openReply("cam-b", "KV-GE200 S100"));
    w.slotEventFromPlugins(openReply("cam-c", "A very long user-defined camera name at station three"));
    QCOMPARE(names(pBar), QStringList({"test_obj1", "test_obj", "camera_tab_2"}));
    QCOMPARE(w.cameraTabs()->cameraIds(), QStringList({"cam-a", "cam-b", "cam-c"}));
    const QList<QAbstractButton*> tabs = pBar->tabButtons();
    QCOMPARE(tabs.at(1)->text(), QString("KV-GE200 S100"));
    // Too long for the tab: cut in the middle, keeping the end, whole in the tool tip.
    QVERIFY(tabs.at(2)->text().contains(QChar(0x2026)));
    QVERIFY(tabs.at(2)->text().endsWith("three"));
    QCOMPARE(tabs.at(2)->toolTip(), QString("A very long user-defined camera name at station three"));
    QCOMPARE(tabs.at(0)->width(), 200);
    QVERIFY(static_cast<DTButton*>(tabs.at(0))->hasCloseMark());
    QTRY_VERIFY(tabs.at(0)->x() < tabs.at(1)->x() && tabs.at(1)->x() < tabs.at(2)->x());

    // A second reply for an open camera re-captions its tab; a reply without a caption
    // falls back to the model and serial.
    w.slotEventFromPlugins(openReply("cam-a", "Left"));
    QCOMPARE(pBar->tabButtons().size(), 3);
    QCOMPARE(tabs.at(0)->text(), QString("Left"));
    w.slotEventFromPlugins(
        record(MODULE_CAPTURO, MSG_OPEN_CAMERA,
               {{"camera", "cam-b"}, {"success", 1}, {"model", "KV-U3"}, {"serial", "S7"}}));
    QCOMPARE(tabs.at(1)->text(), QString("KV-U3 S7"));

    // Opened by the service at start-up, not by the operator: the home page stays.
    QVERIFY(w.mainWidget() != w.cameraWidget());
    QVERIFY(sentWith(spy, MODULE_CAPTURO, MSG_CAMERA_SELECTED).isEmpty());
}

void TestCameraTabs::clickingATabChoosesItsCamera()
{
    MainWindow& w = *m_pWindow;
    w.slotEventFromPlugins(openReply("cam-a", "Left"));
    w.slotEventFromPlugins(openReply("cam-b", "Right"));
    QSignalSpy spy(&w, &MainWindow::sendSignalToPlugins);
    const QList<QAbstractButton*> tabs = w.titleBar()->tabButtons();

    QTest::mouseClick(tabs.at(1), Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(w.mainWidget(), w.cameraWidget());
    QList<PluginMetaData> chosen = sentWith(spy, MODULE_CAPTURO, MSG_CAMERA_SELECTED);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen.at(0).jsonData.value("camera").toString(), QString("cam-b"));
    // The camera first, then the page it is shown on.
    QCOMPARE(spy.at(0).at(0).value<PluginMetaData>().nMsgId, int(MSG_CAMERA_SELECTED));
    QCOMPARE(sentWith(spy, MODULE_CAPTURO, MSG_PAGE_ACTIVATED).size(), 1);
    QVERIFY(tabs.at(1)->isChecked());

    QTest::mouseClick(tabs.at(0), Qt::LeftButton, {}, QPoint(50, 20));
    chosen = sentWith(spy, MODULE_CAPTURO, MSG_CAMERA_SELECTED);
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen.at(1).jsonData.value("camera").toString(), QString("cam-a"));
    QVERIFY(tabs.at(0)->isChecked() && !tabs.at(1)->isChecked());
    // Switching cameras says nothing to either camera.
    for (const QList<QVariant>& args : spy)
        QVERIFY(args.at(0).value<PluginMetaData>().nModule != MODULE_SERVICE);
}

void TestCameraTabs::closeMarkClosesTheCamera()
{
    MainWindow& w = *m_pWindow;
    DTTitleBar* pBar = w.titleBar();
    for (const char* id : {"cam-a", "cam-b", "cam-c"})
        w.slotEventFromPlugins(openReply(id, id));
    const QList<QAbstractButton*> tabs = pBar->tabButtons();
    QSignalSpy spy(&w, &MainWindow::sendSignalToPlugins);

    // The third of three: its camera is closed and the second tab shown.
    pressCloseMark(tabs.at(2));
    QList<PluginMetaData> closes = sentWith(spy, MODULE_SERVICE, MSG_CLOSE_CAMERA);
    QCOMPARE(closes.size(), 1);
    QCOMPARE(closes.at(0).jsonData.value("camera").toString(), QString("cam-c"));
    QCOMPARE(sentWith(spy, MODULE_CAPTURO, MSG_CAMERA_SELECTED).last().jsonData.value("camera").toString(),
             QString("cam-b"));
    QCOMPARE(w.mainWidget(), w.cameraWidget());
    QCOMPARE(w.cameraTabs()->cameraIds(), QStringList({"cam-a", "cam-b"}));
    // The service's reply for a tab already gone closes nothing more.
    w.slotEventFromPlugins(record(MODULE_CAPTURO, MSG_CLOSE_CAMERA, {{"camera", "cam-c"}, {"success", 1}}));
    QCOMPARE(sentWith(spy, MODULE_SERVICE, MSG_CLOSE_CAMERA).size(), 1);
    QCOMPARE(pBar->tabButtons().size(), 2);

    // The first: home, sent twice; the camera behind becomes the first tab by name.
    spy.clear();
    pressCloseMark(tabs.at(0));
    QCOMPARE(sentWith(spy, MODULE_SCANVOR, MSG_SHOW_CAMERA_SEARCH).size(), 2);
    QCOMPARE(sentWith(spy, MODULE_SERVICE, MSG_CLOSE_CAMERA).at(0).jsonData.value("camera").toString(),
             QString("cam-a"));
    QCOMPARE(names(pBar), QStringList({"test_obj1"}));
    QCOMPARE(pBar->tabButtons().at(0), tabs.at(1));

    // The last one: home again, and no tab left.
    spy.clear();
    pressCloseMark(tabs.at(1));
    QCOMPARE(sentWith(spy, MODULE_SCANVOR, MSG_SHOW_CAMERA_SEARCH).size(), 2);
    QCOMPARE(sentWith(spy, MODULE_SERVICE, MSG_CLOSE_CAMERA).size(), 1);
    QVERIFY(pBar->tabButtons().isEmpty());
}

void TestCameraTabs::closedElsewhereAndOpenedAgain()
{
    MainWindow& w = *m_pWindow;
    DTTitleBar* pBar = w.titleBar();
    w.slotEventFromPlugins(openReply("cam-a", "Left"));
    w.slotEventFromPlugins(openReply("cam-b", "Right"));
    QSignalSpy spy(&w, &MainWindow::sendSignalToPlugins);

    // Closed by the service: the tab goes without a close of its own; a failed close stays.
    w.slotEventFromPlugins(record(MODULE_CAPTURO, MSG_CLOSE_CAMERA, {{"camera", "cam-a"}, {"success", 0}}));
    QCOMPARE(pBar->tabButtons().size(), 2);
    w.slotEventFromPlugins(record(MODULE_CAPTURO, MSG_CLOSE_CAMERA, {{"camera", "cam-a"}, {"success", 1}}));
    QCOMPARE(w.cameraTabs()->cameraIds(), QStringList({"cam-b"}));
    QCOMPARE(names(pBar), QStringList({"test_obj1"}));
    QVERIFY(sentWith(spy, MODULE_SERVICE, MSG_CLOSE_CAMERA).isEmpty());

    // The operator opens it again from the home page's list: its tab comes back and is shown.
    w.titleBar()->homeButton()->click();
    QWidget search;
    w.slotSetMainWidget(&search);
    w.slotEventFromPlugins(record(MODULE_SERVICE, MSG_OPEN_CAMERA, {{"camera", "cam-a"}}));
    w.slotEventFromPlugins(openReply("cam-a", "Left"));
    QCOMPARE(w.cameraTabs()->cameraIds(), QStringList({"cam-b", "cam-a"}));
    QCOMPARE(names(pBar), QStringList({"test_obj1", "test_obj"}));
    QCOMPARE(w.mainWidget(), w.cameraWidget());
    QVERIFY(pBar->tabButtons().at(1)->isChecked());
    QCOMPARE(sentWith(spy, MODULE_CAPTURO, MSG_CAMERA_SELECTED).last().jsonData.value("camera").toString(),
             QString("cam-a"));
    w.slotSetMainWidget(w.cameraWidget());
}

KELVORA_TEST_MAIN(TestCameraTabs)
#include "tst_cameratabs.moc"
