#include "MainWindow.h"

#include "CameraTabs.h"
#include "DTTitleBar.h"
#include "DTToolBar.h"
#include "DT_PluginsManager.h"
#include "WindowResizer.h"
#include "framework/DTButton.h"
#include "framework/DTLog.h"
#include "framework/PluginMessages.h"

#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {
const int kTitleBarHeight = 44;
const int kToolBarHeight = 50;
const int kFuncListWidth = 180;

const char* const kWindowStyle = "QWidget { background-color: rgb(36, 33, 32); }";
const char* const kToolBarStyle = "background-color: rgb(57, 53, 51);";
const char* const kFuncListStyle =
    "QListWidget { border:0px; background-color: rgb(22, 20, 19);}  "
    "QListWidget::item {margin:5px; padding-left:30px; color: rgba(255, 255, 255, 0.8); "
    "background-color: rgb(22, 20, 19); height: 40px; border-radius: 12px; }"
    "QListWidget::item:hover { color: rgb(141, 153, 255); background-color: rgb(41, 36, 72); }"
    "QListWidget::item:selected { color: rgb(141, 153, 255); background-color: rgb(41, 36, 72); }"
    "QListWidget::item:pressed { color: rgb(141, 153, 255); background-color: rgb(41, 36, 72); }";
const char* const kFuncContainerStyle =
    "QWidget#camera_main_func_widget {background-color: rgb(32, 29, 29); }";

const char* const kCameraIcon = ":/resources/camera.png";
const char* const kCameraTabCaption = "IS2S02Maushdsu";

struct FuncEntry
{
    const char* caption;
    const char* icon;
    int nModule;
};
const FuncEntry kFuncEntries[] = {
    {QT_TRANSLATE_NOOP("MainWindow", "相机配置"), ":/resources/camera_config.png", MODULE_CAPTURO},
    {QT_TRANSLATE_NOOP("MainWindow", "工具任务"), ":/resources/tool_task.png", MODULE_TOOL_TASK},
    {QT_TRANSLATE_NOOP("MainWindow", "输出配置"), ":/resources/out_set.png", MODULE_OUTPUT_CONFIG},
    {QT_TRANSLATE_NOOP("MainWindow", "人机交互"), ":/resources/hmi.png", MODULE_HMI},
};
} // namespace

MainWindow::MainWindow(QWidget* parent)
    : MainWindow(HostLifecycle(), parent)
{
}

MainWindow::MainWindow(HostLifecycle lifecycle, QWidget* parent)
    : QMainWindow(parent, Qt::FramelessWindowHint)
    , m_lifecycle(std::move(lifecycle))
{
    setStyleSheet(kWindowStyle);

    if (objectName().isEmpty())
        setObjectName("MainWindow");
    resize(827, 700);
    setMinimumSize(700, 700);
    auto* pCentral = new QWidget(this);
    pCentral->setObjectName("centralwidget");
    setCentralWidget(pCentral);
    setWindowTitle(tr("MainWindow"));
    QMetaObject::connectSlotsByName(this);

    setMinimumSize(1100, 700);
    setWindowIcon(QIcon(":/resources/icon.png"));

    // Plugins report through the status bar; the window keeps one with a text label,
    // shown from the first plugin that uses it so that it hides no page until then.
    m_pStatusLabel = new QLabel;
    m_pStatusBar = new QStatusBar;
    m_pStatusBar->addWidget(m_pStatusLabel, 1);
    setStatusBar(m_pStatusBar);
    m_pStatusBar->hide();

    buildTitleBar();
    buildCameraTabs();
    adoptWidget(m_pTitleBar);
    buildCameraPage();

    m_pPluginsManager = m_lifecycle.startPlugins(this);

    show();
    m_pTitleBar->clickHome();
    qRegisterMetaType<PluginMetaData>("PluginMetaData");

    m_pResizer = new WindowResizer(this);
}

void MainWindow::buildTitleBar()
{
    m_pTitleBar = new DTTitleBar(this);
    m_pTitleBar->setGeometry(0, 0, width(), kTitleBarHeight);
    m_pTitleBar->setTitle("kelvora");
    m_pTitleBar->setLogo(QIcon(":/resources/icon.png"));
    m_pTitleBar->setHomeIcon(QIcon(":/resources/homepage.png"), QIcon(), QIcon(), QSize(17, 17));
    m_pTitleBar->setWindowButtonIcons(
        QIcon(":/resources/min.png"), QIcon(":/resources/max.png"), QIcon(":/resources/close.png"),
        QIcon(":/resources/min_hover.png"), QIcon(":/resources/max_hover.png"),
        QIcon(":/resources/close_hover.png"), QIcon(":/resources/min_press.png"),
        QIcon(":/resources/max_press.png"), QIcon(":/resources/close_press.png"));
}

void MainWindow::buildCameraTabs()
{
    auto* pTab = new DTButton;
    pTab->setObjectName("test_obj");
    pTab->setIcon(QIcon(kCameraIcon));
    pTab->setText(kCameraTabCaption);
    pTab->setCloseMark(true);

    auto* pTab1 = new DTButton;
    pTab1->setObjectName("test_obj1");
    pTab1->setIcon(QIcon(kCameraIcon));
    pTab1->setText(kCameraTabCaption);
    pTab1->setCloseMark(true);

    connect(pTab1, SIGNAL(clicked()), this, SLOT(slotSetCameraWidget()));
    connect(pTab, SIGNAL(clicked()), this, SLOT(slotSetCameraWidget()));
    m_pTitleBar->addTabButton(pTab1, true);
    m_pTitleBar->addTabButton(pTab, true);

    // Real cameras replace the two placeholders once the core names them.
    m_pCameraTabs = new CameraTabs(m_pTitleBar, {pTab1, pTab}, this);
    connect(m_pCameraTabs, &CameraTabs::signalSend, this, &MainWindow::sendSignalToPlugins);
    connect(m_pCameraTabs, &CameraTabs::signalShowCameraPage, this, &MainWindow::slotSetCameraWidget);
}

void MainWindow::buildCameraPage()
{
    m_pCameraWidget = new QWidget;
    m_pCameraWidget->setObjectName("camera_widget");

    QFormLayout* pFormLayout = nullptr;
    if (!m_bToolBarCreated) {
        m_bToolBarCreated = true;
        m_pToolBar = new DTToolBar;
        m_pToolBar->setObjectName("toolbar");
        m_pToolBar->setGeometry(0, 0, width(), kToolBarHeight);
        m_pToolBar->setFixedHeight(kToolBarHeight);
        m_pToolBar->setStyleSheet(kToolBarStyle);

        pFormLayout = new QFormLayout(m_pCameraWidget);
        pFormLayout->setMargin(0);
        pFormLayout->setSpacing(0);
        m_pCameraWidget->setWindowFlags(m_pCameraWidget->windowFlags() | Qt::FramelessWindowHint);
        m_pCameraWidget->setLayoutDirection(Qt::LeftToRight);
        pFormLayout->addRow(m_pToolBar);
    }

    m_pFuncListWidget = new QListWidget;
    m_pFuncListWidget->setObjectName("camera_func_listwidget");
    m_pFuncListWidget->setWindowFlags(m_pFuncListWidget->windowFlags() | Qt::FramelessWindowHint);
    m_pFuncListWidget->setAttribute(Qt::WA_StyledBackground, true);
    m_pFuncListWidget->setFixedWidth(kFuncListWidth);
    m_pFuncListWidget->setGeometry(0, kToolBarHeight, kFuncListWidth, height() - kToolBarHeight);
    m_pFuncListWidget->setViewMode(QListView::ListMode);
    m_pFuncListWidget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pFuncListWidget->setFlow(QListView::TopToBottom);
    m_pFuncListWidget->setStyleSheet(kFuncListStyle);
    for (const FuncEntry& entry : kFuncEntries) {
        // The entry keeps its module and untranslated caption: the click is routed and
        // logged by them, never by the text on screen.
        auto* pItem = new QListWidgetItem(QIcon(entry.icon), tr(entry.caption));
        pItem->setData(Qt::UserRole, entry.nModule);
        pItem->setData(Qt::UserRole + 1, QString::fromUtf8(entry.caption));
        m_pFuncListWidget->addItem(pItem);
    }
    connect(m_pFuncListWidget, SIGNAL(itemClicked(QListWidgetItem*)), this,
            SLOT(slotFuncToolBtnSelected(QListWidgetItem*)));

    m_pMainFuncWidget = new QWidget;
    m_pMainFuncWidget->setObjectName("camera_main_func_widget");
    m_pMainFuncWidget->setWindowFlags(m_pMainFuncWidget->windowFlags() | Qt::FramelessWindowHint);
    m_pMainFuncWidget->setAttribute(Qt::WA_StyledBackground, true);
    m_pMainFuncWidget->setStyleSheet(kFuncContainerStyle);
    m_pMainFuncWidget->setGeometry(kFuncListWidth, kToolBarHeight, m_pCameraWidget->width() - kFuncListWidth,
                                   m_pCameraWidget->height() - kToolBarHeight);
    auto* pPageLayout = new QVBoxLayout(m_pMainFuncWidget);
    pPageLayout->setMargin(0);
    pPageLayout->setSpacing(0);

    if (!pFormLayout)
        pFormLayout = new QFormLayout(m_pCameraWidget);
    pFormLayout->setMargin(0);
    pFormLayout->setSpacing(0);
    pFormLayout->setHorizontalSpacing(0);
    pFormLayout->setVerticalSpacing(0);
    pFormLayout->addRow(m_pFuncListWidget, m_pMainFuncWidget);
}

MainWindow::~MainWindow()
{
    m_lifecycle.stopPlugins();
    m_pPluginsManager = nullptr;
    // The window's widgets need no freeing when the process ends here.
    m_lifecycle.endProcess();
}

void MainWindow::adoptWidget(QWidget* pWidget)
{
    // The window lays out its title bar and main widget by hand over the central
    // widget; making them children is all that is needed (QMainWindow's own layout
    // accepts no extra items).
    pWidget->setParent(this);
    pWidget->show();
    pWidget->raise();
    if (m_pStatusBar)
        m_pStatusBar->raise();
}

bool MainWindow::isInTitleBar(QPoint globalPos) const
{
    return m_pTitleBar && m_pTitleBar->geometry().contains(mapFromGlobal(globalPos));
}

void MainWindow::slotEventFromPlugins(PluginMetaData plt)
{
    m_pCameraTabs->noteRequest(plt);
    emit sendSignalToPlugins(plt);
    // After the plugins: the camera page knows an opened camera before its tab is clicked.
    m_pCameraTabs->handleRecord(plt);
}

void MainWindow::slotPluginAddTitleBtn(QPushButton*)
{
}

void MainWindow::slotPluginAddTabWidget(QString, QIcon, QWidget*, bool)
{
}

void MainWindow::slotPluginTitleBarAddTabBtn(DTButton* pBtn, bool bNeedClose)
{
    if (!m_pTitleBar || !pBtn)
        return;
    m_pTitleBar->addTabButton(pBtn, bNeedClose);
    pBtn->setIcon(QIcon(kCameraIcon));
    connect(pBtn, SIGNAL(clicked()), this, SLOT(slotSetCameraWidget()));
}

void MainWindow::slotPluginAddToolBtn(QPushButton* pBtn, bool bNeedSplit, Qt::Alignment align)
{
    if (!m_pToolBar || !pBtn)
        return;
    m_pToolBar->addButton(QString(), pBtn->icon(), pBtn, align);
    if (bNeedSplit)
        m_pToolBar->addSeparator();
}

void MainWindow::slotPluginAddStatusBarControls(QWidget* pWidget, int strech)
{
    if (m_pStatusBar && pWidget) {
        m_pStatusBar->addWidget(pWidget, strech);
        // A plugin hides its widget to take its figures away: the bar then goes too.
        m_statusWidgets.append(pWidget);
        pWidget->installEventFilter(this);
        showStatusBar();
    }
}

void MainWindow::slotPluginShowStatusBarInfo(QString qsTabInfo)
{
    if (m_pStatusLabel) {
        m_pStatusLabel->setText(qsTabInfo);
        showStatusBar();
    }
}

void MainWindow::showStatusBar()
{
    if (m_pStatusBar->isVisible())
        return;
    m_pStatusBar->show();
    m_pStatusBar->raise();
    if (m_pMainWidget)
        m_pMainWidget->setGeometry(pageRect());
}

void MainWindow::hideUnusedStatusBar()
{
    if (!m_pStatusBar->isVisible() || !m_pStatusLabel->text().isEmpty())
        return;
    for (const QPointer<QWidget>& pWidget : qAsConst(m_statusWidgets))
        if (pWidget && !pWidget->isHidden())
            return;
    m_pStatusBar->hide();
    if (m_pMainWidget)
        m_pMainWidget->setGeometry(pageRect());
}

bool MainWindow::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // ...ToParent: sent on show() and hide() even while the bar itself is hidden.
    if ((pEvent->type() == QEvent::ShowToParent || pEvent->type() == QEvent::HideToParent)
        && m_statusWidgets.contains(qobject_cast<QWidget*>(pWatched))) {
        if (pEvent->type() == QEvent::ShowToParent)
            showStatusBar();
        else
            hideUnusedStatusBar();
    }
    return QMainWindow::eventFilter(pWatched, pEvent);
}

QRect MainWindow::pageRect() const
{
    // Below the title bar and above the status bar when there is one: a page that
    // ran past the window's bottom would lose its lowest rows (thumbnails, results).
    int nBottom = height();
    if (m_pStatusBar && m_pStatusBar->isVisible())
        nBottom -= m_pStatusBar->sizeHint().height();
    return QRect(0, kTitleBarHeight, width(), qMax(0, nBottom - kTitleBarHeight));
}

void MainWindow::slotCloseEvent()
{
    close();
}

void MainWindow::slotMinEvent()
{
    showMinimized();
}

void MainWindow::slotMaxEvent()
{
    int nWidth = 0;
    if (m_bMaximized) {
        showNormal();
        nWidth = m_nNormalWidth;
        m_bMaximized = false;
    } else {
        m_nNormalWidth = width();
        showMaximized();
        nWidth = QGuiApplication::primaryScreen()->geometry().width();
        m_bMaximized = true;
    }
    m_pTitleBar->setGeometry(0, 0, nWidth, kTitleBarHeight);
    m_pTitleBar->show();
}

void MainWindow::slotHomePageEvent()
{
    PluginMetaData plt;
    plt.nModule = MODULE_SCANVOR;
    plt.nMsgId = MSG_SHOW_CAMERA_SEARCH;
    plt.pHandle = this;
    emit sendSignalToPlugins(plt);
}

void MainWindow::slotSetMainWidget(QWidget* pWidget)
{
    // A null page would leave nothing to show; keep the current one.
    if (!pWidget)
        return;
    if (m_pMainWidget) {
        if (m_pMainWidget == pWidget)
            return;
        // Detached, not deleted: the page belongs to the plugin that made it.
        m_pMainWidget->setParent(nullptr);
    }
    m_pMainWidget = pWidget;
    pWidget->setWindowFlags(pWidget->windowFlags() | Qt::FramelessWindowHint);
    adoptWidget(pWidget);
    pWidget->setGeometry(pageRect());
}

void MainWindow::slotSetCameraWidget()
{
    slotSetMainWidget(m_pCameraWidget);
    if (m_pFuncListWidget->selectedItems().isEmpty()) {
        QListWidgetItem* pFirst = m_pFuncListWidget->item(0);
        m_pFuncListWidget->setCurrentItem(pFirst);
        emit m_pFuncListWidget->itemClicked(pFirst);
    }
}

void MainWindow::slotFuncToolBtnSelected(QListWidgetItem* item)
{
    if (!item)
        return;
    DTLog::instance().write(QtInfoMsg, "clickedis" + item->data(Qt::UserRole + 1).toString());
    PluginMetaData plt;
    plt.nMsgId = MSG_PAGE_ACTIVATED;
    plt.pHandle = m_pMainFuncWidget;
    if (item->data(Qt::UserRole).isValid())
        plt.nModule = item->data(Qt::UserRole).toInt();
    emit sendSignalToPlugins(plt);
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    // Only a press on the title bar starts a drag; a move that merely passes over the
    // bar with a button held since elsewhere must not jump the window.
    m_bDragging = isInTitleBar(event->globalPos());
    if (m_bDragging)
        m_dragPos = event->globalPos();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_bDragging || !isInTitleBar(event->globalPos()))
        return;
    const QPoint delta = event->globalPos() - m_dragPos;
    m_dragPos = event->globalPos();
    move(pos() + delta);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_bDragging && isInTitleBar(event->globalPos()))
        move(pos() + (event->globalPos() - m_dragPos));
    m_bDragging = false;
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (isInTitleBar(event->globalPos()))
        slotMaxEvent();
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    if (m_pTitleBar) {
        m_pTitleBar->setGeometry(0, 0, width(), kTitleBarHeight);
        m_pTitleBar->show();
    }
    if (m_pToolBar) {
        m_pToolBar->setGeometry(0, 0, width(), kToolBarHeight);
        m_pToolBar->show();
    }
    if (m_pMainWidget)
        m_pMainWidget->setGeometry(pageRect());
    QMainWindow::resizeEvent(event);
}
