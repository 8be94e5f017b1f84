#pragma once

#include "FrameHandOff.h"
#include "FrameMailbox.h"
#include "corelink/CommTypes.h"
#include "framework/DTPluginBase.h"

#include <QtPlugin>

#include <memory>

// The bridge to the vision core: camera commands from the bus become calls on
// the core's client, the core's frames become frame records for the camera page.
class Service : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.Service")
    // Read-only views for diagnostics and tests.
    Q_PROPERTY(QString endpoint READ endpoint CONSTANT)
    Q_PROPERTY(bool connected READ isConnected CONSTANT)
    Q_PROPERTY(qulonglong droppedFrames READ droppedFrames)
    Q_PROPERTY(int loadState READ loadState)
    Q_PROPERTY(QObject* uiObject READ uiObject)

public:
    // Frame records waiting for or in delivery to the GUI thread.
    static constexpr int kFramesInFlight = 2;

    explicit Service(QObject* parent = nullptr);
    ~Service() override;

    Q_INVOKABLE void init();
    void loadUI() override;

    void onFrameCallback(const std::shared_ptr<VexaImage>& image);
    void onFrameRltCallback(const std::shared_ptr<MeasureResultData>& result);
    void onMessageCallback(E_Message_Type type, const Json::Value& message);

    // Sends one empty frame record; a hand test of the camera page.
    Q_INVOKABLE void testDemo();

    // The reply to MSG_GET_CAMERA_PARAMS.
    static QJsonObject cameraParamsJson(const QVariant& exposure, const QVariant& gain,
                                        const QVariant& triggerMode, const QVariant& triggerGap);

    QString endpoint() const;
    bool isConnected() const;
    qulonglong droppedFrames() const { return m_frames.dropped(); }
    int loadState() const { return m_nLoadState; }

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override;

private:
    void deliverFrame(const PluginMetaData& frame);
    void reply(int nMsgId, const QVariant& value);
    void replyJson(int nMsgId, const QJsonObject& json);

    int m_nLoadState = 1;
    FrameHandOff m_handOff;
    FrameMailbox m_frames;
};
