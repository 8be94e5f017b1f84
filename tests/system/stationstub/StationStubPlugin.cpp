// A plugin built only for the tests: it answers the camera records of the bus as the
// service does for a station with two cameras (list with acknowledgement, open, close,
// a photo per camera as a frame in the camera's own colour), so the whole client can
// be tried before and without a core.
#include "framework/DTPluginBase.h"
#include "framework/PluginMessages.h"

#include <QImage>
#include <QJsonArray>
#include <QSet>
#include <QTimer>
#include <QtPlugin>

class StationStubPlugin : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.StationStubPlugin")
public:
    void loadUI() override {}

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override
    {
        if (plt.nModule != MODULE_SERVICE)
            return;
        const QString strId = plt.jsonData.value("camera").toString();
        switch (plt.nMsgId) {
        case MSG_LIST_CAMERAS:
            send(MODULE_SCANVOR, MSG_LIST_CAMERAS, {{"ack", true}});
            QTimer::singleShot(0, this, [this]() { send(MODULE_SCANVOR, MSG_LIST_CAMERAS, listAnswer()); });
            break;
        case MSG_OPEN_CAMERA:
        case MSG_CLOSE_CAMERA: {
            const bool bOpen = plt.nMsgId == MSG_OPEN_CAMERA;
            QJsonObject reply = entry(strId);
            const bool bKnown = !reply.isEmpty();
            if (bKnown && bOpen)
                m_open.insert(strId);
            else
                m_open.remove(strId);
            reply = entry(strId);
            reply.insert("camera", strId);
            reply.insert("success", bKnown ? 1 : 0);
            reply.insert("error", bKnown ? "" : "no such camera");
            reply.insert("caption", caption(strId));
            send(MODULE_CAPTURO, plt.nMsgId, reply);
            break;
        }
        case MSG_TAKE_PHOTO: {
            // No camera named: the first open one, as the service does.
            const QString strCamera = strId.isEmpty() ? QString("cam-a") : strId;
            QImage image(320, 240, QImage::Format_RGB32);
            image.fill(strCamera == "cam-a" ? QColor(200, 40, 40) : QColor(40, 60, 200));
            PluginMetaData frame;
            frame.nModule = MODULE_CAPTURO;
            frame.nMsgId = MSG_FRAME;
            frame.varData = image;
            frame.jsonData = {
                {"camera", strCamera}, {"key", QString::number(++m_nKey)}, {"width", 320}, {"height", 240}};
            sendEvent(frame);
            break;
        }
        default: break;
        }
    }

private:
    void send(int nModule, int nMsgId, const QJsonObject& json)
    {
        PluginMetaData plt;
        plt.nModule = nModule;
        plt.nMsgId = nMsgId;
        plt.jsonData = json;
        sendEvent(plt);
    }
    QJsonObject entry(const QString& strId) const
    {
        const QString state = m_open.contains(strId) ? "open" : "free";
        if (strId == "cam-a")
            return {{"id", "cam-a"},          {"vendor", "Kelvora"}, {"model", "KV-GE200"},
                    {"serial", "S100"},       {"name", "Left view"}, {"interface", "GigE"},
                    {"address", "127.0.0.2"}, {"state", state}};
        if (strId == "cam-b")
            return {{"id", "cam-b"}, {"vendor", "Kelvora"}, {"model", "KV-U3"},   {"serial", "S200"},
                    {"name", ""},    {"interface", "USB3"}, {"address", "2-1.4"}, {"state", state}};
        return {};
    }
    static QString caption(const QString& strId) { return strId == "cam-a" ? "Left view" : "KV-U3 S200"; }
    QJsonObject listAnswer() const
    {
        return {{"cameras", QJsonArray{entry("cam-a"), entry("cam-b")}}, {"error", ""}, {"legacy", false}};
    }

    QSet<QString> m_open;
    int m_nKey = 0;
};

#include "StationStubPlugin.moc"
