#include "framework/DTPluginBase.h"

#include "framework/PluginMessages.h"

DTPluginBase::DTPluginBase()
    : QObject(nullptr)
{
}

DTPluginBase::~DTPluginBase() = default;

void DTPluginBase::sendEvent(PluginMetaData plt)
{
    emit sendSignalToPlugins(plt);
}

void DTPluginBase::sendResult(QString result, bool success)
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_RESULT;
    plt.jsonData.insert("result", result);
    plt.jsonData.insert("success", success ? 1 : 0);
    emit sendSignalToPlugins(plt);
}

void DTPluginBase::slotSetUIHandle(QObject* uiObject)
{
    if (!uiObject)
        return;
    m_pUIObject = uiObject;
    loadUI();
}

void DTPluginBase::slotSendSignal(PluginMetaData plt)
{
    sendEvent(plt);
}
