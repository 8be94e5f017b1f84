#include "DTTitleBar.h"
#include "DTToolBar.h"
#include "MainWindow.h"
#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QWindow>
#include <QStatusBar>
#include <QtTest>

#include "TestSuite.h"

namespace {
QList<PluginMetaData> records(const QSignalSpy& spy)
{
    QList<PluginMetaData> list;
    for (const QList<QVariant>& args : spy)
        list << args.at(0).value<PluginMetaData>();
    return list;
}

QImage iconImage(const QIcon& icon)
{
    return icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
}

void sendMouse(QWidget* pWindow, void (MainWindow::*handler)(QMouseEvent*), QEvent::Type type,
               QPoint globalPos)
{
    const QPointF local = pWindow->mapFromGlobal(globalPos);
    QMouseEvent event(type, local, local, globalPos, Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    (static_cast<MainWindow*>(pWindow)->*handler)(&event);
}

// A mouse event as the window system delivers it to the native window.
void sendNative(QWindow* pWindow, QEvent::Type type, QPoint local, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, local, pWindow->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QGuiApplication::sendEvent(pWindow, &event);
}
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void buildsWindowAndCameraPage();
    void mainWidgetSwitching();
    void cameraTabSelectsFirstFunctionOnlyOnce();
    void closingTabsSendsHomeTwice();
    void pluginSlots();
    void dragByTitleBar();
    void doubleClickRestoresSavedWidth();
    void resizeZonesOnTheNativeWindow();
    void statusBarHidesWhenItsWidgetsDo();

private:
    MainWindow* m_pWindow = nullptr;
};

void TestMainWindow::initTestCase()
{
    Q_INIT_RESOURCE(kelvora_host_icons);
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
}

void TestMainWindow::init()
{
    // The window alone: no plugins, and its end does not end the test.
    m_pWindow = new MainWindow(HostLifecycle(HostLifecycle::NoPlugins, HostLifecycle::ReturnOnExit));
    QVERIFY(QTest::qWaitForWindowExposed(m_pWindow));
}

void TestMainWindow::cleanup()
{
    delete m_pWindow;
    m_pWindow = nullptr;
}

void TestMainWindow::buildsWindowAndCameraPage()
{
    MainWindow& w = *m_pWindow;
    QVERIFY(w.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(w.objectName(), QString("MainWindow"));
    QCOMPARE(w.minimumSize(), QSize(1100, 700));
    QCOMPARE(w.centralWidget()->objectName(), QString("centralwidget"));

    DTTitleBar* pBar = w.titleBar();
    QCOMPARE(pBar->parentWidget(), &w);
    QCOMPARE(pBar->geometry(), QRect(0, 0, w.width(), 44));
    QCOMPARE(pBar->findChild<QLabel*>("window_title")->text(), QString("kelvora"));
    // The home button was clicked at start-up.
    QVERIFY(pBar->homeButton()->isChecked());
    QCOMPARE(iconImage(pBar->homeButton()->icon()), iconImage(QIcon(":/resources/homepage_press.png")));

    const QList<QAbstractButton*> tabs = pBar->tabButtons();
    QCOMPARE(tabs.size(), 2);
    QCOMPARE(tabs.at(0)->objectName(), QString("test_obj1"));
    QCOMPARE(tabs.at(1)->objectName(), QString("test_obj"));
    QCOMPARE(tabs.at(0)->text(), QString("IS2S02Maushdsu"));
    QVERIFY(tabs.at(0)->x() < tabs.at(1)->x());
    QVERIFY(static_cast<DTButton*>(tabs.at(1))->hasCloseMark());

    QWidget* pCamera = w.cameraWidget();
    QCOMPARE(pCamera->objectName(), QString("camera_widget"));
    QVERIFY(pCamera->parentWidget() == nullptr); // shown only once a tab asks for it
    QCOMPARE(w.toolBar()->objectName(), QString("toolbar"));
    QCOMPARE(w.toolBar()->height(), 50);
    QListWidget* pList = w.funcListWidget();
    QCOMPARE(pList->objectName(), QString("camera_func_listwidget"));
    QCOMPARE(pList->width(), 180);
    QCOMPARE(w.mainFuncWidget()->objectName(), QString("camera_main_func_widget"));
    const QStringList captions{QString::fromUtf8("相机配置"), QString::fromUtf8("工具任务"),
                               QString::fromUtf8("输出配置"), QString::fromUtf8("人机交互")};
    QCOMPARE(pList->count(), 4);
    const char* icons[] = {":/resources/camera_config.png", ":/resources/tool_task.png",
                           ":/resources/out_set.png", ":/resources/hmi.png"};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(pList->item(i)->text(), captions.at(i));
        QCOMPARE(iconImage(pList->item(i)->icon()), iconImage(QIcon(icons[i])));
    }
    QVERIFY(pList->selectedItems().isEmpty());

    // The function list sends the page message with the container as handle.
    QSignalSpy spy(&w, &MainWindow::sendSignalToPlugins);
    const int modules[] = {MODULE_CAPTURO, MODULE_TOOL_TASK, MODULE_OUTPUT_CONFIG, MODULE_HMI};
    for (int i = 0; i < 4; ++i)
        emit pList->itemClicked(pList->item(i));
    const QList<PluginMetaData> sent = records(spy);
    QCOMPARE(sent.size(), 4);
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(sent.at(i).nModule, modules[i]);
        QCOMPARE(sent.at(i).nMsgId, int(MSG_PAGE_ACTIVATED));
        QCOMPARE(static_cast<QWidget*>(sent.at(i).pHandle), w.mainFuncWidget());
    }
}

void TestMainWindow::mainWidgetSwitching()
{
    MainWindow& w = *m_pWindow;
    QVERIFY(w.mainWidget() == nullptr);
    auto* pFirst = new QWidget;
    auto* pSecond = new QWidget;

    w.slotSetMainWidget(pFirst);
    QCOMPARE(w.mainWidget(), pFirst);
    QCOMPARE(pFirst->parentWidget(), &w);
    QVERIFY(pFirst->isVisible());
    QVERIFY(pFirst->windowFlags() & Qt::FramelessWindowHint);
    // The page fills the window below the title bar, and not beyond its bottom.
    QCOMPARE(pFirst->geometry(), QRect(0, 44, w.width(), w.height() - 44));

    w.slotSetMainWidget(pSecond);
    QCOMPARE(w.mainWidget(), pSecond);
    QVERIFY(pFirst->parentWidget() == nullptr);
    QVERIFY(!pFirst->isVisible());
    QVERIFY(pSecond->isVisible());

    // The current widget again: nothing moves.
    pSecond->move(0, 60);
    w.slotSetMainWidget(pSecond);
    QCOMPARE(pSecond->pos(), QPoint(0, 60));

    // A null widget keeps the current one.
    w.slotSetMainWidget(nullptr);
    QCOMPARE(w.mainWidget(), pSecond);

    // The main widget follows the window's size.
    w.resize(1200, 760);
    QCOMPARE(pSecond->geometry(), QRect(0, 44, 1200, 760 - 44));
    QCOMPARE(w.titleBar()->geometry(), QRect(0, 0, 1200, 44));

    delete pFirst; // detached pages are not deleted by the window
}

void TestMainWindow::cameraTabSelectsFirstFunctionOnlyOnce()
{
    MainWindow& w = *m_pWindow;
    QSignalSpy spy(&w, &MainWindow::sendSignalToPlugins);
    QAbstractButton* pTab = w.titleBar()->tabButtons().at(1);

    QTest::mouseClick(pTab, Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(w.mainWidget(), w.cameraWidget());
    QCOMPARE(w.cameraWidget()->parentWidget(), &w);
    QCOMPARE(w.funcListWidget()->currentRow(), 0);
    QList<PluginMetaData> sent = records(spy);
    QCOMPARE(sent.size(), 1);
    QCOMPARE(sent.at(0).nModule, int(MODULE_CAPTURO));
    QCOMPARE(sent.at(0).nMsgId, int(MSG_PAGE_ACTIVATED));

    // Another function chosen, home page shown, then back to a tab: nothing is sent.
    w.funcListWidget()->setCurrentRow(1);
    spy.clear();
    w.titleBar()->homeButton()->click();
    QCOMPARE(records(spy).size(), 1);
    QCOMPARE(records(spy).at(0).nModule, int(MODULE_SCANVOR));
    auto* pSearch = new QWidget;
    w.slotSetMainWidget(pSearch);
    spy.clear();
    QTest::mouseClick(w.titleBar()->tabButtons().at(0), Qt::LeftButton, {}, QPoint(50, 20));
    QCOMPARE(w.mainWidget(), w.cameraWidget());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(w.funcListWidget()->currentRow(), 1);
    delete pSearch;
}

void TestMainWindow::closingTabsSendsHomeTwice()
{
    MainWindow& w = *m_pWindow;
    QSignalSpy spy(&w, &MainWindow::sendSignalToPlugins);
    QAbstractButton* pFirst = w.titleBar()->tabButtons().at(0);
    QAbstractButton* pSecond = w.titleBar()->tabButtons().at(1);

    // The first of two: home, sent twice.
    QTest::mousePress(pFirst, Qt::LeftButton, {}, QPoint(pFirst->width() - 10, 20));
    QList<PluginMetaData> sent = records(spy);
    QCOMPARE(sent.size(), 2);
    for (const PluginMetaData& plt : sent) {
        QCOMPARE(plt.nModule, int(MODULE_SCANVOR));
        QCOMPARE(plt.nMsgId, int(MSG_SHOW_CAMERA_SEARCH));
        QCOMPARE(static_cast<QWidget*>(plt.pHandle), static_cast<QWidget*>(&w));
    }
    QCOMPARE(w.titleBar()->tabButtons().size(), 1);

    // The only one left: home again.
    spy.clear();
    QTest::mousePress(pSecond, Qt::LeftButton, {}, QPoint(pSecond->width() - 1, 20));
    QCOMPARE(records(spy).size(), 2);
    QVERIFY(w.titleBar()->tabButtons().isEmpty());
    delete pFirst;
    delete pSecond;
}

void TestMainWindow::pluginSlots()
{
    MainWindow& w = *m_pWindow;

    auto* pTool = new QPushButton;
    pTool->setIcon(QIcon(":/resources/hmi.png"));
    pTool->setCheckable(true);
    pTool->setChecked(true);
    w.slotPluginAddToolBtn(pTool, true, Qt::AlignLeft);
    w.slotPluginAddToolBtn(new QPushButton, false, Qt::AlignLeft);
    QCOMPARE(w.toolBar()->buttons().size(), 2);
    QCOMPARE(w.toolBar()->buttons().at(0), pTool);
    QVERIFY(pTool->isChecked());
    QCOMPARE(w.toolBar()->findChildren<QFrame*>().size(), 1);

    auto* pTab = new DTButton;
    pTab->setObjectName("plugin_tab");
    w.slotPluginTitleBarAddTabBtn(pTab, true);
    QCOMPARE(w.titleBar()->tabButtons().last(), static_cast<QAbstractButton*>(pTab));
    QVERIFY(pTab->hasCloseMark());
    QCOMPARE(iconImage(pTab->icon()), iconImage(QIcon(":/resources/camera.png")));
    pTab->click();
    QCOMPARE(w.mainWidget(), w.cameraWidget());

    // The status bar stays hidden until a plugin uses it; then the page ends above it.
    QVERIFY(!w.statusLabel()->isVisible());
    QCOMPARE(w.mainWidget()->geometry().bottom(), w.height() - 1);
    w.slotPluginShowStatusBarInfo(QString::fromUtf8("就绪"));
    QCOMPARE(w.statusLabel()->text(), QString::fromUtf8("就绪"));
    QVERIFY(w.statusLabel()->isVisible());
    QCOMPARE(w.mainWidget()->geometry().bottom(), w.statusLabel()->parentWidget()->geometry().top() - 1);
    auto* pExtra = new QLabel("extra");
    w.slotPluginAddStatusBarControls(pExtra, 0);
    QCOMPARE(pExtra->parentWidget()->parentWidget(), static_cast<QWidget*>(&w));

    // Title buttons and tab widgets are accepted and ignored.
    QPushButton ignored;
    w.slotPluginAddTitleBtn(&ignored);
    QVERIFY(ignored.parentWidget() == nullptr);

    // The relay re-emits the record unchanged.
    QSignalSpy spy(&w, &MainWindow::sendSignalToPlugins);
    PluginMetaData plt;
    plt.nModule = 1;
    plt.nMsgId = MSG_TAKE_PHOTO;
    plt.varData = 42;
    w.slotEventFromPlugins(plt);
    QCOMPARE(records(spy).size(), 1);
    QCOMPARE(records(spy).at(0).varData.toInt(), 42);
}

void TestMainWindow::statusBarHidesWhenItsWidgetsDo()
{
    MainWindow& w = *m_pWindow;
    QStatusBar* pBar = w.statusBar();
    w.slotSetMainWidget(new QWidget);
    const QRect fullPage = w.mainWidget()->geometry();
    QVERIFY(!pBar->isVisible());

    // A plugin's figures on: the bar appears and the page ends above it.
    auto* pFigures = new QLabel("figures");
    w.slotPluginAddStatusBarControls(pFigures, 1);
    QVERIFY(pBar->isVisible());
    QCOMPARE(w.mainWidget()->geometry().bottom(), pBar->geometry().top() - 1);
    // Off: the page gets its whole height back.
    pFigures->hide();
    QVERIFY(!pBar->isVisible());
    QCOMPARE(w.mainWidget()->geometry(), fullPage);
    pFigures->show();
    QVERIFY(pBar->isVisible());
    QCOMPARE(w.mainWidget()->geometry().bottom(), pBar->geometry().top() - 1);

    // A status text keeps the bar even with the plugin's widget hidden.
    w.slotPluginShowStatusBarInfo(QString::fromUtf8("就绪"));
    pFigures->hide();
    QVERIFY(pBar->isVisible());
    delete pFigures;
    QVERIFY(pBar->isVisible());
}

void TestMainWindow::dragByTitleBar()
{
    MainWindow& w = *m_pWindow;
    w.move(100, 80);
    const QPoint start = w.pos();
    const QPoint grip = w.mapToGlobal(QPoint(150, 20)); // on the title label

    sendMouse(&w, &MainWindow::mousePressEvent, QEvent::MouseButtonPress, grip);
    sendMouse(&w, &MainWindow::mouseMoveEvent, QEvent::MouseMove, grip + QPoint(30, 20));
    QCOMPARE(w.pos(), start + QPoint(30, 20));
    sendMouse(&w, &MainWindow::mouseMoveEvent, QEvent::MouseMove, grip + QPoint(40, 25));
    QCOMPARE(w.pos(), start + QPoint(40, 25));
    // The release moves by what happened since the last move.
    sendMouse(&w, &MainWindow::mouseReleaseEvent, QEvent::MouseButtonRelease, grip + QPoint(43, 27));
    QCOMPARE(w.pos(), start + QPoint(43, 27));

    // A press below the title bar does not start a drag, even if the pointer then
    // passes over the bar.
    const QPoint moved = w.pos();
    const QPoint below = w.mapToGlobal(QPoint(600, 400));
    sendMouse(&w, &MainWindow::mousePressEvent, QEvent::MouseButtonPress, below);
    sendMouse(&w, &MainWindow::mouseMoveEvent, QEvent::MouseMove, w.mapToGlobal(QPoint(600, 20)));
    sendMouse(&w, &MainWindow::mouseReleaseEvent, QEvent::MouseButtonRelease, w.mapToGlobal(QPoint(610, 20)));
    QCOMPARE(w.pos(), moved);

    // Through the real event path: a press on the title label reaches the window.
    const QPoint before = w.pos();
    QWidget* pLabel = w.titleBar()->findChild<QLabel*>("window_title");
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), QPointF(10, 10),
                      pLabel->mapToGlobal(QPoint(10, 10)), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pLabel, &press);
    QMouseEvent move(QEvent::MouseMove, QPointF(15, 12), QPointF(15, 12),
                     pLabel->mapToGlobal(QPoint(10, 10)) + QPoint(5, 2), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(pLabel, &move);
    QCOMPARE(w.pos(), before + QPoint(5, 2));
}

void TestMainWindow::doubleClickRestoresSavedWidth()
{
    MainWindow& w = *m_pWindow;
    w.resize(1150, 720);
    const int nWidth = w.width();
    const QPoint inBar = w.mapToGlobal(QPoint(150, 20));

    // Outside the title bar a double click does nothing.
    sendMouse(&w, &MainWindow::mouseDoubleClickEvent, QEvent::MouseButtonDblClick,
              w.mapToGlobal(QPoint(600, 400)));
    QVERIFY(!w.isMaximizedByTitleBar());

    sendMouse(&w, &MainWindow::mouseDoubleClickEvent, QEvent::MouseButtonDblClick, inBar);
    QVERIFY(w.isMaximizedByTitleBar());
    QVERIFY(w.isMaximized());
    QTRY_COMPARE(w.titleBar()->width(), w.screen()->geometry().width());

    sendMouse(&w, &MainWindow::mouseDoubleClickEvent, QEvent::MouseButtonDblClick,
              w.mapToGlobal(QPoint(150, 20)));
    QVERIFY(!w.isMaximizedByTitleBar());
    QVERIFY(!w.isMaximized());
    QTRY_COMPARE(w.width(), nWidth);
    QCOMPARE(w.titleBar()->width(), nWidth);
}

void TestMainWindow::resizeZonesOnTheNativeWindow()
{
    MainWindow& w = *m_pWindow;
    QWindow* pHandle = w.windowHandle();
    QVERIFY(pHandle);
    w.setGeometry(50, 40, 1100, 700);
    const int nWidth = w.width();

    sendNative(pHandle, QEvent::MouseMove, QPoint(nWidth / 2, 8), Qt::NoButton);
    QCOMPARE(w.cursor().shape(), Qt::SizeVerCursor);
    sendNative(pHandle, QEvent::MouseMove, QPoint(nWidth / 2, 3), Qt::NoButton);
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
    sendNative(pHandle, QEvent::MouseMove, QPoint(2, 300), Qt::NoButton);
    QCOMPARE(w.cursor().shape(), Qt::SizeHorCursor);
    sendNative(pHandle, QEvent::MouseMove, QPoint(nWidth - 1, 699), Qt::NoButton);
    QCOMPARE(w.cursor().shape(), Qt::SizeFDiagCursor);

    // No window manager here: startSystemResize fails and the window resizes itself.
    sendNative(pHandle, QEvent::MouseButtonPress, QPoint(nWidth - 2, 300), Qt::LeftButton);
    const QPoint pressGlobal = pHandle->mapToGlobal(QPoint(nWidth - 2, 300));
    QMouseEvent drag(QEvent::MouseMove, QPointF(nWidth + 38, 300), QPointF(nWidth + 38, 300),
                     pressGlobal + QPoint(40, 0), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QGuiApplication::sendEvent(pHandle, &drag);
    QCOMPARE(w.geometry(), QRect(50, 40, nWidth + 40, 700));
    sendNative(pHandle, QEvent::MouseButtonRelease, QPoint(nWidth + 38, 300), Qt::NoButton);

    // The left edge moves the window and keeps the right edge; the minimum size holds.
    sendNative(pHandle, QEvent::MouseButtonPress, QPoint(1, 300), Qt::LeftButton);
    const QPoint leftGlobal = QPoint(51, 340);
    QMouseEvent shrink(QEvent::MouseMove, QPointF(301, 300), QPointF(301, 300), leftGlobal + QPoint(300, 0),
                       Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QGuiApplication::sendEvent(pHandle, &shrink);
    QCOMPARE(w.geometry(), QRect(50 + 40, 40, 1100, 700));
    sendNative(pHandle, QEvent::MouseButtonRelease, QPoint(301, 300), Qt::NoButton);

    // After the release, moves only update the cursor again.
    sendNative(pHandle, QEvent::MouseMove, QPoint(500, 300), Qt::NoButton);
    QCOMPARE(w.geometry(), QRect(90, 40, 1100, 700));
    QCOMPARE(w.cursor().shape(), Qt::ArrowCursor);
}

KELVORA_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
