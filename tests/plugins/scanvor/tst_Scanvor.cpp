#include "CameraSearchNotFoundUI.h"
#include "CameraSearchUI.h"
#include "Scanvor.h"
#include "framework/PluginMessages.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "TestSuite.h"

namespace {

PluginMetaData record(int nModule, int nMsgId, QWidget* pHandle)
{
    PluginMetaData plt;
    plt.nModule = nModule;
    plt.nMsgId = nMsgId;
    plt.pHandle = pHandle;
    return plt;
}

PluginMetaData homeRecord(QWidget* pWindow)
{
    return record(MODULE_SCANVOR, MSG_SHOW_CAMERA_SEARCH, pWindow);
}

template <typename Page>
int pageCount()
{
    int nCount = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        nCount += qobject_cast<Page*>(w) ? 1 : 0;
    return nCount;
}

template <typename Page>
Page* shownPage(const QSignalSpy& spy, int nIndex)
{
    return qobject_cast<Page*>(spy.at(nIndex).at(0).value<QWidget*>());
}

QProgressBar* barOf(CameraSearchUI* pPage)
{
    return pPage->findChild<QProgressBar*>("progressBar_Search");
}

QTimer* timerOf(CameraSearchUI* pPage)
{
    return pPage->findChild<QTimer*>();
}

} // namespace

class TestScanvor : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<PluginMetaData>("PluginMetaData"); }
    void searchEndsOnNotFoundPage();
    void homeAgainAndResearch();
    void otherRecordsChangeNothing();
};

void TestScanvor::searchEndsOnNotFoundPage()
{
    QWidget window;
    QWidget homeHandle;
    {
        Scanvor plugin;
        QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));
        QSignalSpy bus(&plugin, SIGNAL(sendSignalToPlugins(PluginMetaData)));

        // The UI hand-over builds nothing: the pages wait for the home record.
        plugin.slotSetUIHandle(&window);
        QCOMPARE(shown.count(), 0);
        QCOMPARE(pageCount<CameraSearchUI>(), 0);

        plugin.slotEventFromPlugins(homeRecord(&homeHandle));
        QCOMPARE(shown.count(), 1);
        CameraSearchUI* pSearch = shownPage<CameraSearchUI>(shown, 0);
        QVERIFY(pSearch);
        QVERIFY(pSearch->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!pSearch->parent());
        QCOMPARE(plugin.uiObject(), &window); // the home handle is not kept
        QVERIFY(!pSearch->findChild<QLabel*>("lbl_Image_Search")->pixmap(Qt::ReturnByValue).isNull());

        QProgressBar* pBar = barOf(pSearch);
        QCOMPARE(pBar->value(), 80);
        QVERIFY(!pBar->isTextVisible());
        QVERIFY(timerOf(pSearch)->isActive());
        QCOMPARE(timerOf(pSearch)->interval(), 50);

        QSignalSpy ticks(pBar, SIGNAL(valueChanged(int)));
        int nBarWhenSwitched = -1;
        connect(&plugin, &Scanvor::signalSetMainWidget, this,
                [&](QWidget*) { nBarWhenSwitched = pBar->value(); });

        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 2, 3000);
        CameraSearchNotFoundUI* pNotFound = shownPage<CameraSearchNotFoundUI>(shown, 1);
        QVERIFY(pNotFound);
        QVERIFY(pNotFound->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!pNotFound->findChild<QLabel*>("label")->pixmap(Qt::ReturnByValue).isNull());
        QCOMPARE(nBarWhenSwitched, 100);

        // One step per tick, 20 of them, and nothing after the bar is full.
        QList<int> seen;
        for (const QList<QVariant>& args : qAsConst(ticks))
            seen << args.at(0).toInt();
        QList<int> expected;
        for (int v = 81; v <= 100; ++v)
            expected << v;
        QCOMPARE(seen, expected);
        QTRY_VERIFY(!timerOf(pSearch)->isActive());
        QCOMPARE(pBar->value(), 100);
        QCOMPARE(ticks.count(), 20);
        QCOMPARE(shown.count(), 2);
        // The one record sent is the list request, which no service answered here.
        QCOMPARE(bus.count(), 1);
        const PluginMetaData request = bus.at(0).at(0).value<PluginMetaData>();
        QCOMPARE(request.nModule, int(MODULE_SERVICE));
        QCOMPARE(request.nMsgId, int(MSG_LIST_CAMERAS));
    }
    // Pages the window never adopted go with the plugin.
    QCOMPARE(pageCount<CameraSearchUI>(), 0);
    QCOMPARE(pageCount<CameraSearchNotFoundUI>(), 0);
}

void TestScanvor::homeAgainAndResearch()
{
    QWidget window;
    Scanvor plugin;
    QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));

    // The host sends the home record twice at start-up.
    plugin.slotEventFromPlugins(homeRecord(&window));
    plugin.slotEventFromPlugins(homeRecord(&window));
    QCOMPARE(shown.count(), 2);
    CameraSearchUI* pSearch = shownPage<CameraSearchUI>(shown, 0);
    QVERIFY(pSearch);
    QCOMPARE(shownPage<CameraSearchUI>(shown, 1), pSearch);
    QCOMPARE(pageCount<CameraSearchUI>(), 1);

    // A home record during a running search shows it as it is.
    QProgressBar* pBar = barOf(pSearch);
    QTRY_VERIFY(pBar->value() >= 85);
    const int nBefore = pBar->value();
    plugin.slotEventFromPlugins(homeRecord(&window));
    QCOMPARE(shown.count(), 3);
    QVERIFY(pBar->value() >= nBefore);

    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 4, 3000);
    CameraSearchNotFoundUI* pNotFound = shownPage<CameraSearchNotFoundUI>(shown, 3);
    QVERIFY(pNotFound);

    QPushButton* pResearch = pNotFound->findChild<QPushButton*>("btn_Research");
    QCOMPARE(pResearch->text(), QString::fromUtf8("重新搜索"));
    pNotFound->show();
    QVERIFY(QTest::qWaitForWindowExposed(pNotFound));
    QTest::mouseClick(pResearch, Qt::LeftButton);
    QCOMPARE(shown.count(), 5);
    QCOMPARE(shownPage<CameraSearchUI>(shown, 4), pSearch);
    QCOMPARE(pBar->value(), 80);
    QVERIFY(timerOf(pSearch)->isActive());

    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 6, 3000);
    QCOMPARE(shownPage<CameraSearchNotFoundUI>(shown, 5), pNotFound);
    QCOMPARE(pageCount<CameraSearchUI>(), 1);
    QCOMPARE(pageCount<CameraSearchNotFoundUI>(), 1);

    // After a finished search the home record starts a new one instead of showing
    // a full bar that claims to be searching.
    QTRY_VERIFY(!timerOf(pSearch)->isActive());
    plugin.slotEventFromPlugins(homeRecord(&window));
    QCOMPARE(shown.count(), 7);
    QCOMPARE(shownPage<CameraSearchUI>(shown, 6), pSearch);
    QCOMPARE(pBar->value(), 80);
    QVERIFY(timerOf(pSearch)->isActive());
    QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 8, 3000);
    QCOMPARE(shownPage<CameraSearchNotFoundUI>(shown, 7), pNotFound);
}

void TestScanvor::otherRecordsChangeNothing()
{
    QWidget window;
    QWidget page;
    Scanvor plugin;
    QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));
    QSignalSpy bus(&plugin, SIGNAL(sendSignalToPlugins(PluginMetaData)));

    const QList<PluginMetaData> others = {
        record(MODULE_SCANVOR, 0, &window),
        record(MODULE_SCANVOR, MSG_PAGE_ACTIVATED, &page),
        record(MODULE_SCANVOR, MSG_TAKE_PHOTO, &window),
        record(MODULE_CAPTURO, MSG_SHOW_CAMERA_SEARCH, &page),
        record(MODULE_TOOL_TASK, MSG_PAGE_ACTIVATED, &page),
        record(MODULE_SERVICE, MSG_SHOW_CAMERA_SEARCH, &window),
        record(0, 0, nullptr),
    };
    for (const PluginMetaData& plt : others)
        plugin.slotEventFromPlugins(plt);
    QCOMPARE(shown.count(), 0);
    QCOMPARE(bus.count(), 0);
    QCOMPARE(pageCount<CameraSearchUI>(), 0);
    QCOMPARE(plugin.uiObject(), nullptr);

    // Nor do they disturb a running search.
    plugin.slotEventFromPlugins(homeRecord(&window));
    CameraSearchUI* pSearch = shownPage<CameraSearchUI>(shown, 0);
    QVERIFY(pSearch);
    QTRY_VERIFY(barOf(pSearch)->value() >= 84);
    const int nBefore = barOf(pSearch)->value();
    for (const PluginMetaData& plt : others)
        plugin.slotEventFromPlugins(plt);
    QCOMPARE(shown.count(), 1);
    QVERIFY(barOf(pSearch)->value() >= nBefore);
    QVERIFY(timerOf(pSearch)->isActive());
    QCOMPARE(plugin.uiObject(), nullptr);
}

KELVORA_TEST_MAIN(TestScanvor)
#include "tst_Scanvor.moc"
