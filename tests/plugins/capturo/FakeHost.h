#pragma once

#include "CommandLog.h"

#include "framework/PluginMessages.h"

#include <QList>
#include <QObject>
#include <QPushButton>

// Stands in for the host: takes the tool buttons as its tool bar does (checkable) and
// relays every record back to the plugin like the main window.
class FakeHost : public QObject
{
    Q_OBJECT
public:
    struct ToolButton
    {
        QPushButton* pBtn;
        bool bSeparator;
        Qt::Alignment alignment;
    };
    QList<ToolButton> buttons;
    CommandLog log;
    QObject* pPlugin = nullptr;

    void attach(QObject* pPluginObject)
    {
        pPlugin = pPluginObject;
        connect(pPlugin, SIGNAL(signalAddToolBtn(QPushButton*, bool, Qt::Alignment)), this,
                SLOT(slotAddToolBtn(QPushButton*, bool, Qt::Alignment)));
        connect(pPlugin, SIGNAL(sendSignalToPlugins(PluginMetaData)), this, SLOT(slotRelay(PluginMetaData)));
        connect(this, SIGNAL(sendSignalToPlugins(PluginMetaData)), pPlugin,
                SLOT(slotEventFromPlugins(PluginMetaData)));
    }
    QPushButton* button(const QString& qsName) const
    {
        for (const ToolButton& entry : buttons)
            if (entry.pBtn->objectName() == qsName)
                return entry.pBtn;
        return nullptr;
    }
    // Commands sent to the service, in order.
    QList<int> serviceIds() const
    {
        QList<int> ids;
        for (const PluginMetaData& plt : log.records)
            if (plt.nModule == MODULE_SERVICE)
                ids << plt.nMsgId;
        return ids;
    }
    void deliver(const PluginMetaData& plt) { emit sendSignalToPlugins(plt); }

signals:
    void sendSignalToPlugins(PluginMetaData);

public slots:
    void slotAddToolBtn(QPushButton* pBtn, bool bSeparator, Qt::Alignment alignment)
    {
        pBtn->setCheckable(true);
        buttons << ToolButton{pBtn, bSeparator, alignment};
    }
    void slotRelay(PluginMetaData plt)
    {
        log.slotRecord(plt);
        emit sendSignalToPlugins(plt);
    }
};
