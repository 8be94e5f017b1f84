#pragma once

#include "HostLifecycle.h"
#include "framework/PluginMetaData.h"

#include <QIcon>
#include <QMainWindow>
#include <QList>
#include <QPoint>
#include <QPointer>

class CameraTabs;
class DTButton;
class DTTitleBar;
class DTToolBar;
class DT_PluginsManager;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QStatusBar;
class WindowResizer;

// The host's only window: frameless, with its own title bar and the camera page (tool
// bar, function list, page container). It relays every plugin record to all plugins,
// hosts the widgets that plugins hand over, and moves and resizes itself. Starting the
// plugins when built, and unloading them and ending the process when destroyed, is
// left to its HostLifecycle.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    // The program's window: plugins from the current folder, the process ends with it.
    explicit MainWindow(QWidget* parent = nullptr);
    explicit MainWindow(HostLifecycle lifecycle, QWidget* parent = nullptr);
    ~MainWindow() override;

    DT_PluginsManager* pluginsManager() const { return m_pPluginsManager; }
    QWidget* mainWidget() const { return m_pMainWidget; }
    QWidget* cameraWidget() const { return m_pCameraWidget; }
    QWidget* mainFuncWidget() const { return m_pMainFuncWidget; }
    QListWidget* funcListWidget() const { return m_pFuncListWidget; }
    DTTitleBar* titleBar() const { return m_pTitleBar; }
    DTToolBar* toolBar() const { return m_pToolBar; }
    CameraTabs* cameraTabs() const { return m_pCameraTabs; }
    QLabel* statusLabel() const { return m_pStatusLabel; }
    bool isMaximizedByTitleBar() const { return m_bMaximized; }

    const HostLifecycle& lifecycle() const { return m_lifecycle; }

signals:
    void sendSignalToPlugins(PluginMetaData);

public slots:
    void slotEventFromPlugins(PluginMetaData plt);
    void slotPluginAddTitleBtn(QPushButton* pBtn);
    void slotPluginAddTabWidget(QString qsName, QIcon qsIcon, QWidget* pTabWidget, bool bShowTabName);
    void slotPluginTitleBarAddTabBtn(DTButton* pBtn, bool bNeedClose);
    void slotPluginAddToolBtn(QPushButton* pBtn, bool bNeedSplit, Qt::Alignment align);
    void slotPluginAddStatusBarControls(QWidget* pWidget, int strech);
    void slotPluginShowStatusBarInfo(QString qsTabInfo);
    void slotCloseEvent();
    void slotMinEvent();
    void slotMaxEvent();
    void slotHomePageEvent();
    void slotSetMainWidget(QWidget* pWidget);
    void slotSetCameraWidget();
    void slotFuncToolBtnSelected(QListWidgetItem* item);

    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildTitleBar();
    void buildCameraTabs();
    void buildCameraPage();
    void adoptWidget(QWidget* pWidget);
    bool isInTitleBar(QPoint globalPos) const;
    void showStatusBar();
    // Hides the bar again once its label is empty and every plugin widget in it is hidden.
    void hideUnusedStatusBar();
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    QRect pageRect() const;

    HostLifecycle m_lifecycle;
    QPoint m_dragPos;
    bool m_bDragging = false;
    bool m_bMaximized = false;
    bool m_bToolBarCreated = false;
    QWidget* m_pCameraWidget = nullptr;
    DT_PluginsManager* m_pPluginsManager = nullptr;
    QWidget* m_pMainWidget = nullptr;
    QWidget* m_pMainFuncWidget = nullptr;
    QListWidget* m_pFuncListWidget = nullptr;
    DTTitleBar* m_pTitleBar = nullptr;
    DTToolBar* m_pToolBar = nullptr;
    CameraTabs* m_pCameraTabs = nullptr;
    QStatusBar* m_pStatusBar = nullptr;
    QLabel* m_pStatusLabel = nullptr;
    QList<QPointer<QWidget>> m_statusWidgets;
    WindowResizer* m_pResizer = nullptr;
    int m_nNormalWidth = 0;
};
