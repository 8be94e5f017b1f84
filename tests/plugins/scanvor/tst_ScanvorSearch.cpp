#include "CameraListView.h"
#include "CameraSearchNotFoundUI.h"
#include "CameraSearchUI.h"
#include "Scanvor.h"
#include "framework/PluginMessages.h"

#include <QJsonArray>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "TestSuite.h"

namespace {

PluginMetaData record(int nModule, int nMsgId, const QJsonObject& json = QJsonObject())
{
    PluginMetaData plt;
    plt.nModule = nModule;
    plt.nMsgId = nMsgId;
    plt.jsonData = json;
    return plt;
}

QJsonObject camera(const QString& id, const QString& name, const QString& model, const QString& serial,
                   const QString& iface, const QString& address, const QString& state)
{
    return QJsonObject{{"id", id},     {"vendor", "Kelvora"}, {"model", model},     {"serial", serial},
                       {"name", name}, {"interface", iface},  {"address", address}, {"state", state}};
}

PluginMetaData answer(const QJsonArray& cameras, const QString& error = QString(), bool bLegacy = false)
{
    QJsonObject json{{"cameras", cameras}, {"error", error}};
    if (bLegacy)
        json.insert("legacy", true);
    return record(MODULE_SCANVOR, MSG_LIST_CAMERAS, json);
}

// Stands in for the service on the bus: every list request is acknowledged before the
// send returns, as the relay delivers it; commands are kept for the test to read.
class FakeService : public QObject
{
public:
    FakeService(Scanvor& plugin, bool bAcknowledge)
        : m_plugin(plugin)
    {
        connect(&plugin, &DTPluginBase::sendSignalToPlugins, this, [this, bAcknowledge](PluginMetaData plt) {
            if (plt.nModule != MODULE_SERVICE)
                return;
            m_commands.append(plt);
            if (bAcknowledge && plt.nMsgId == MSG_LIST_CAMERAS)
                m_plugin.slotEventFromPlugins(record(MODULE_SCANVOR, MSG_LIST_CAMERAS, {{"ack", true}}));
        });
    }
    int count(int nMsgId) const
    {
        int n = 0;
        for (const PluginMetaData& plt : m_commands)
            n += plt.nMsgId == nMsgId ? 1 : 0;
        return n;
    }
    QList<PluginMetaData> m_commands;

private:
    Scanvor& m_plugin;
};

QProgressBar* barOf(QWidget* pPage)
{
    return pPage->findChild<QProgressBar*>("progressBar_Search");
}

CameraSearchUI* searchPage(const QSignalSpy& shown, int nIndex)
{
    return qobject_cast<CameraSearchUI*>(shown.at(nIndex).at(0).value<QWidget*>());
}

CameraSearchNotFoundUI* notFoundPage(const QSignalSpy& shown, int nIndex)
{
    return qobject_cast<CameraSearchNotFoundUI*>(shown.at(nIndex).at(0).value<QWidget*>());
}

QString cell(CameraListView* pList, int nRow, int nCol)
{
    QTableWidgetItem* pItem = pList->table()->item(nRow, nCol);
    return pItem ? pItem->text() : QString();
}

// Home, then the acknowledged search until its full bar waits for the answer.
CameraSearchUI* searchUntilHeld(Scanvor& plugin, const QSignalSpy& shown)
{
    plugin.slotEventFromPlugins(record(MODULE_SCANVOR, MSG_SHOW_CAMERA_SEARCH));
    CameraSearchUI* pSearch = searchPage(shown, 0);
    if (!pSearch || !QTest::qWaitFor([pSearch]() { return pSearch->state().isHolding(); }, 5000))
        return nullptr;
    return pSearch;
}

QPushButton* openButton(CameraSearchUI* pPage, const QString& id)
{
    return pPage->findChild<QPushButton*>("btn_Open_" + id);
}

} // namespace

class TestScanvorSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<PluginMetaData>("PluginMetaData"); }
    void acknowledgedSearchHoldsAndLists();
    void answerBeforeTheBarEnds();
    void noCameraOrNoCore();
    void unansweredHoldEnds();
    void searchAgain();
};

void TestScanvorSearch::acknowledgedSearchHoldsAndLists()
{
    Scanvor plugin;
    FakeService service(plugin, true);
    QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));
    plugin.slotEventFromPlugins(record(MODULE_SCANVOR, MSG_SHOW_CAMERA_SEARCH));
    QCOMPARE(service.count(MSG_LIST_CAMERAS), 1);
    CameraSearchUI* pSearch = searchPage(shown, 0);
    QVERIFY(pSearch);
    QVERIFY(pSearch->state().isAcknowledged());
    QCOMPARE(pSearch->holdTimer()->interval(), 10000);

    // The full bar waits for the answer instead of reporting nothing found.
    QTRY_COMPARE_WITH_TIMEOUT(barOf(pSearch)->value(), 100, 5000);
    QVERIFY(pSearch->holdTimer()->isActive());
    QVERIFY(pSearch->state().isHolding());
    QTest::qWait(200);
    QCOMPARE(shown.count(), 1);

    plugin.slotEventFromPlugins(answer({
        camera("gige-1", "", "KV-GE200", "S100", "GigE", "127.0.0.1", "free"),
        camera("usb-2", "Left view", "KV-U3", "S200", "USB3", "2-1.4", "in_use"),
        camera("sim-0", "", "Simulated", "SIM0", "simulated", "", "free"),
    }));
    QCOMPARE(shown.count(), 1); // the search page stays, now with the list
    QVERIFY(!pSearch->holdTimer()->isActive());
    CameraListView* pList = pSearch->cameraList();
    QVERIFY(!pList->isHidden());
    QCOMPARE(pList->table()->rowCount(), 3);
    QCOMPARE(cell(pList, 0, 0), QString("KV-GE200"));  // no name: the model
    QCOMPARE(cell(pList, 1, 0), QString("Left view")); // the user-defined name
    QCOMPARE(cell(pList, 0, 1), QString("S100"));
    QCOMPARE(cell(pList, 0, 2), QString("127.0.0.1"));
    QCOMPARE(cell(pList, 1, 3), QString("USB3"));
    QCOMPARE(cell(pList, 2, 3), QString::fromUtf8("模拟"));
    QCOMPARE(cell(pList, 0, 4), QString::fromUtf8("空闲"));
    QCOMPARE(cell(pList, 1, 4), QString::fromUtf8("被占用"));
    QCOMPARE(pSearch->findChild<QLabel*>("lbl_search")->text(),
             QString::fromUtf8("正在搜索相机，请耐心等待..."));
    QCOMPARE(pSearch->findChild<QLabel*>("lbl_Cameras")->text(), QString::fromUtf8("找到 3 台相机"));

    // A camera in use elsewhere cannot be opened; a free one is asked for by id.
    QVERIFY(!openButton(pSearch, "usb-2")->isEnabled());
    QPushButton* pOpen = openButton(pSearch, "gige-1");
    QVERIFY(pOpen->isEnabled());
    pOpen->click();
    QCOMPARE(service.count(MSG_OPEN_CAMERA), 1);
    QCOMPARE(service.m_commands.last().jsonData.value("camera").toString(), QString("gige-1"));

    // The service's reply marks the row open; a failed reply changes nothing.
    plugin.slotEventFromPlugins(
        record(MODULE_CAPTURO, MSG_OPEN_CAMERA, {{"camera", "sim-0"}, {"success", 0}}));
    QCOMPARE(cell(pList, 2, 4), QString::fromUtf8("空闲"));
    plugin.slotEventFromPlugins(
        record(MODULE_CAPTURO, MSG_OPEN_CAMERA, {{"camera", "gige-1"}, {"success", 1}}));
    QCOMPARE(cell(pList, 0, 4), QString::fromUtf8("已打开"));
    QVERIFY(!openButton(pSearch, "gige-1")->isEnabled());
    plugin.slotEventFromPlugins(
        record(MODULE_CAPTURO, MSG_CLOSE_CAMERA, {{"camera", "gige-1"}, {"success", 1}}));
    QCOMPARE(cell(pList, 0, 4), QString::fromUtf8("空闲"));
    QVERIFY(openButton(pSearch, "gige-1")->isEnabled());

    // The hold had nothing left to end: no not-found page comes later.
    QTest::qWait(300);
    QCOMPARE(shown.count(), 1);

    // Home again on a finished search asks once more and hides the old list meanwhile.
    plugin.slotEventFromPlugins(record(MODULE_SCANVOR, MSG_SHOW_CAMERA_SEARCH));
    QCOMPARE(service.count(MSG_LIST_CAMERAS), 2);
    QCOMPARE(barOf(pSearch)->value(), 80);
    QVERIFY(pList->isHidden());
}

void TestScanvorSearch::answerBeforeTheBarEnds()
{
    Scanvor plugin;
    FakeService service(plugin, true);
    QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));
    plugin.slotEventFromPlugins(record(MODULE_SCANVOR, MSG_SHOW_CAMERA_SEARCH));
    CameraSearchUI* pSearch = searchPage(shown, 0);
    plugin.slotEventFromPlugins(answer({camera("sim-0", "", "Simulated", "SIM0", "simulated", "", "open"),
                                        camera("sim-1", "", "Simulated", "SIM1", "simulated", "", "free")}));
    QVERIFY(pSearch->cameraList()->isHidden()); // the bar still runs its course
    // Opened (by the service at start, say) while the answer waits for the bar.
    plugin.slotEventFromPlugins(
        record(MODULE_CAPTURO, MSG_OPEN_CAMERA, {{"camera", "sim-1"}, {"success", 1}}));
    QTRY_VERIFY_WITH_TIMEOUT(!pSearch->cameraList()->isHidden(), 5000);
    QCOMPARE(barOf(pSearch)->value(), 100);
    QVERIFY(!pSearch->holdTimer()->isActive());
    QCOMPARE(pSearch->cameraList()->table()->rowCount(), 2);
    QCOMPARE(openButton(pSearch, "sim-0")->text(), QString::fromUtf8("已打开"));
    QCOMPARE(openButton(pSearch, "sim-1")->text(), QString::fromUtf8("已打开"));
    QVERIFY(!openButton(pSearch, "sim-1")->isEnabled());
    QCOMPARE(shown.count(), 1);
}

void TestScanvorSearch::noCameraOrNoCore()
{
    struct Case
    {
        const char* pName;
        PluginMetaData answer;
        QString reason;
    };
    const QList<Case> cases = {
        {"none found", answer({}), QString()},
        {"older core", answer({}, QString(), true), QString()},
        {"core down", answer({}, "connection refused"),
         QString::fromUtf8("无法连接视觉核心：connection refused")},
    };
    for (const Case& c : cases) {
        Scanvor plugin;
        FakeService service(plugin, true);
        QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));
        CameraSearchUI* pSearch = searchUntilHeld(plugin, shown);
        QVERIFY(pSearch);
        QCOMPARE(shown.count(), 1);
        plugin.slotEventFromPlugins(c.answer);
        QVERIFY2(shown.count() == 2, c.pName);
        CameraSearchNotFoundUI* pNotFound = notFoundPage(shown, 1);
        QVERIFY2(pNotFound, c.pName);
        QCOMPARE(pNotFound->findChild<QLabel*>("lbl_NotFound")->text(), QString::fromUtf8("暂未搜索到相机"));
        QLabel* pReason = pNotFound->findChild<QLabel*>("lbl_Reason");
        QCOMPARE(pReason->text(), c.reason);
        QCOMPARE(pReason->isHidden(), c.reason.isEmpty());
        QVERIFY(pSearch->cameraList()->isHidden());
    }
}

void TestScanvorSearch::unansweredHoldEnds()
{
    Scanvor plugin;
    FakeService service(plugin, true);
    QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));
    plugin.slotEventFromPlugins(record(MODULE_SCANVOR, MSG_SHOW_CAMERA_SEARCH));
    CameraSearchUI* pSearch = searchPage(shown, 0);
    // The limit is what the timer holds; a shorter one keeps the test short.
    pSearch->holdTimer()->setInterval(300);
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 2, 10000);
    CameraSearchNotFoundUI* pNotFound = notFoundPage(shown, 1);
    QVERIFY(pNotFound);
    QVERIFY(pSearch->state().isTimedOut());
    QCOMPARE(pNotFound->findChild<QLabel*>("lbl_Reason")->text(),
             QString::fromUtf8("视觉服务没有在 10 秒内给出相机列表"));

    // A late answer does not bring a second page.
    plugin.slotEventFromPlugins(answer({}));
    QCOMPARE(shown.count(), 2);
}

void TestScanvorSearch::searchAgain()
{
    Scanvor plugin;
    FakeService service(plugin, true);
    QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));
    CameraSearchUI* pSearch = searchUntilHeld(plugin, shown);
    QVERIFY(pSearch);
    plugin.slotEventFromPlugins(answer({}, "refused"));
    CameraSearchNotFoundUI* pNotFound = notFoundPage(shown, 1);
    QVERIFY(pNotFound);
    QVERIFY(!pNotFound->findChild<QLabel*>("lbl_Reason")->isHidden());

    // "重新搜索": the service is asked again and this time finds a camera.
    pNotFound->findChild<QPushButton*>("btn_Research")->click();
    QCOMPARE(shown.count(), 3);
    QCOMPARE(searchPage(shown, 2), pSearch);
    QCOMPARE(service.count(MSG_LIST_CAMERAS), 2);
    QVERIFY(pSearch->state().isAcknowledged());
    QVERIFY(!pSearch->state().isAnswered());
    plugin.slotEventFromPlugins(answer({camera("sim-0", "", "Simulated", "SIM0", "simulated", "", "free")}));
    QTRY_VERIFY_WITH_TIMEOUT(!pSearch->cameraList()->isHidden(), 5000);
    QCOMPARE(shown.count(), 3);
}

KELVORA_TEST_MAIN(TestScanvorSearch)
#include "tst_ScanvorSearch.moc"
