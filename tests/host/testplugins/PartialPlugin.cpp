// A plugin object that is not a DTPluginBase and lacks most of the host-facing
// signals: the manager must still load it and make the connections that exist.
#include "framework/PluginMetaData.h"

#include <QCoreApplication>
#include <QObject>
#include <QPushButton>
#include <QtPlugin>

class PartialPlugin : public QObject
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.PartialPlugin")

signals:
    void sendSignalToPlugins(PluginMetaData);
    void signalAddToolBtn(QPushButton*, bool, Qt::Alignment);

public slots:
    void slotEventFromPlugins(PluginMetaData plt)
    {
        append(QString("partial:%1:%2:%3").arg(plt.nModule).arg(plt.nMsgId).arg(plt.varData.toString()));
    }
    void slotSetUIHandle(QObject*) { append("partial:loadUI"); }
    void slotSendSignal(PluginMetaData plt) { emit sendSignalToPlugins(plt); }
    void slotOfferToolButton() { emit signalAddToolBtn(new QPushButton("partial"), false, Qt::AlignLeft); }

private:
    static void append(const QString& entry)
    {
        QStringList log = qApp->property("relayLog").toStringList();
        log << entry;
        qApp->setProperty("relayLog", log);
    }
};

#include "PartialPlugin.moc"
