// A plugin built only for the tests: it appends every record it receives to a
// process-wide list kept on the application object, then scribbles on its own copy
// so that the tests can see whether receivers share a record.
#include "framework/DTPluginBase.h"

#include <QCoreApplication>
#include <QtPlugin>

class RecorderPlugin : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.RecorderPlugin")
public:
    void loadUI() override { append(QString("%1:loadUI").arg(RECORDER_NAME)); }

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override
    {
        append(QString("%1:%2:%3:%4")
                   .arg(RECORDER_NAME)
                   .arg(plt.nModule)
                   .arg(plt.nMsgId)
                   .arg(plt.varData.toString()));
        plt.varData = QString("scribbled by %1").arg(RECORDER_NAME);
        plt.nMsgId = -1;
    }

private:
    static void append(const QString& entry)
    {
        QStringList log = qApp->property("relayLog").toStringList();
        log << entry;
        qApp->setProperty("relayLog", log);
    }
};

#include "RecorderPlugin.moc"
