#pragma once

#include "framework/PluginMetaData.h"

#include <QIcon>
#include <QMainWindow>
#include <QPoint>

class DTButton;
class DT_PluginsManager;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QStatusBar;

// The host's only window: relays every plugin record to all plugins and hosts the
// widgets that plugins hand over. Its destructor unloads the plugins and ends the process.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    DT_PluginsManager* pluginsManager() const { return m_pPluginsManager; }
    QWidget* mainWidget() const { return m_pMainWidget; }

    // Ends the process at once when the window is destroyed (the default). Tests that
    // build windows in-process switch it off.
    static void setEndProcessOnDestroy(bool bEnd);

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

private:
    void startPlugins();

    QPoint m_dragPos;
    bool m_bMaximized = false;
    bool m_bToolBarCreated = false;
    QWidget* m_pCameraWidget = nullptr;
    DT_PluginsManager* m_pPluginsManager = nullptr;
    QWidget* m_pMainWidget = nullptr;
    QWidget* m_pMainFuncWidget = nullptr;
    QListWidget* m_pFuncListWidget = nullptr;
    QStatusBar* m_pStatusBar = nullptr;
    QLabel* m_pStatusLabel = nullptr;
    int m_nNormalWidth = 0;
};
