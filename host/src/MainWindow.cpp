#include "MainWindow.h"

#include "DT_PluginsManager.h"
#include "framework/DTLog.h"
#include "framework/PluginMessages.h"

#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QStatusBar>

#include <unistd.h>

namespace {
bool g_bEndProcessOnDestroy = true;

const char* const kWindowStyle = "QWidget { background-color: rgb(36, 33, 32); }";
} // namespace

void MainWindow::setEndProcessOnDestroy(bool bEnd)
{
    g_bEndProcessOnDestroy = bEnd;
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent, Qt::FramelessWindowHint)
{
    setStyleSheet(kWindowStyle);
    if (objectName().isEmpty())
        setObjectName("MainWindow");
    resize(827, 700);
    setCentralWidget(new QWidget(this));
    centralWidget()->setObjectName("centralwidget");
    setWindowTitle(tr("MainWindow"));
    setMinimumSize(1100, 700);

    m_pStatusLabel = new QLabel;
    m_pStatusBar = new QStatusBar;
    m_pStatusBar->addWidget(m_pStatusLabel, 1);
    setStatusBar(m_pStatusBar);

    startPlugins();
    show();
    slotHomePageEvent();
    slotHomePageEvent();
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
}

void MainWindow::startPlugins()
{
    m_pPluginsManager = new DT_PluginsManager(this);
    m_pPluginsManager->loadPlugins();
    m_pPluginsManager->connectPlugins();
    emit m_pPluginsManager->sendSignalUI(this);
}

MainWindow::~MainWindow()
{
    if (m_pPluginsManager)
        m_pPluginsManager->unloadPlugins();
    // The manager is deliberately not deleted: plugin objects may still refer to it.
    m_pPluginsManager = nullptr;
    if (g_bEndProcessOnDestroy)
        ::_exit(0);
}

void MainWindow::slotEventFromPlugins(PluginMetaData plt)
{
    emit sendSignalToPlugins(plt);
}

void MainWindow::slotPluginAddTitleBtn(QPushButton*)
{
}

void MainWindow::slotPluginAddTabWidget(QString, QIcon, QWidget*, bool)
{
}

void MainWindow::slotPluginTitleBarAddTabBtn(DTButton*, bool)
{
}

void MainWindow::slotPluginAddToolBtn(QPushButton*, bool, Qt::Alignment)
{
}

void MainWindow::slotPluginAddStatusBarControls(QWidget* pWidget, int strech)
{
    m_pStatusBar->addWidget(pWidget, strech);
}

void MainWindow::slotPluginShowStatusBarInfo(QString qsTabInfo)
{
    m_pStatusLabel->setText(qsTabInfo);
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
    if (m_bMaximized) {
        showNormal();
        m_bMaximized = false;
    } else {
        m_nNormalWidth = width();
        showMaximized();
        m_bMaximized = true;
    }
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
    if (m_pMainWidget) {
        if (m_pMainWidget == pWidget)
            return;
        m_pMainWidget->setParent(nullptr);
        layout()->removeWidget(m_pMainWidget);
    }
    m_pMainWidget = pWidget;
    if (!pWidget)
        return;
    pWidget->setWindowFlags(pWidget->windowFlags() | Qt::FramelessWindowHint);
    layout()->addWidget(pWidget);
    pWidget->setGeometry(0, 44, width(), height());
    pWidget->show();
}

void MainWindow::slotSetCameraWidget()
{
}

void MainWindow::slotFuncToolBtnSelected(QListWidgetItem* item)
{
    const QString text = item->text();
    DTLog::instance().write(QtInfoMsg, "clickedis" + text);
    PluginMetaData plt;
    plt.nMsgId = MSG_PAGE_ACTIVATED;
    plt.pHandle = m_pMainFuncWidget;
    if (text == QString::fromUtf8("相机配置"))
        plt.nModule = MODULE_CAPTURO;
    else if (text == QString::fromUtf8("工具任务"))
        plt.nModule = MODULE_TOOL_TASK;
    else if (text == QString::fromUtf8("输出配置"))
        plt.nModule = MODULE_OUTPUT_CONFIG;
    else if (text == QString::fromUtf8("人机交互"))
        plt.nModule = MODULE_HMI;
    emit sendSignalToPlugins(plt);
}
