// A plugin built only for the service tests: it keeps every record it receives,
// with the thread it arrived on, in a process-wide list on the application object.
#include "framework/DTPluginBase.h"

#include <QCoreApplication>
#include <QThread>
#include <QtPlugin>

class RecorderPlugin : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.RecorderPlugin")
public:
    void loadUI() override {}

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override
    {
        QVariantMap entry;
        entry["module"] = plt.nModule;
        entry["id"] = plt.nMsgId;
        entry["data"] = plt.varData;
        entry["json"] = plt.jsonData;
        entry["gui"] = QThread::currentThread() == qApp->thread();
        QVariantList log = qApp->property("records").toList();
        log << entry;
        qApp->setProperty("records", log);
    }
};

#include "RecorderPlugin.moc"
