#pragma once

#include "framework/DTButton.h"
#include "framework/PluginMetaData.h"

#include <QIcon>
#include <QObject>
#include <QPushButton>

// Base of every plugin's root object. The host connects to it by signal and slot
// signatures only, so the declarations below are the plugin contract.
class DTPluginBase : public QObject
{
    Q_OBJECT
public:
    DTPluginBase();
    ~DTPluginBase() override;

    virtual void loadUI() = 0;
    virtual void sendEvent(PluginMetaData plt);
    virtual void sendResult(QString result, bool success);

    QObject* uiObject() const { return m_pUIObject; }

signals:
    void sendSignalToPlugins(PluginMetaData);
    void signalAddTitleBtn(QPushButton*);
    void signalAddToolBtn(QPushButton*, bool, Qt::Alignment);
    void signalAddTabWidget(QString, QIcon, QWidget*, bool);
    void signalAddStatusBarControls(QWidget* pWidget, int strech);
    void signalShowStatusBarInfo(QString);
    void signalSetMainWidget(QWidget*);
    void signalPluginTitleBarAddTabBtn(DTButton* pBtn, bool bNeedClose);

public slots:
    virtual void slotEventFromPlugins(PluginMetaData plt) = 0;
    virtual void slotSetUIHandle(QObject* uiObject);
    virtual void slotSendSignal(PluginMetaData plt);

protected:
    QObject* m_pUIObject = nullptr;
};
