#pragma once

#include "CameraCalls.h"
#include "CameraFrameCounts.h"
#include "FrameHandOff.h"
#include "FrameSaveQueue.h"
#include "StationCamera.h"
#include "corelink/CameraParamTable.h"
#include "corelink/CommTypes.h"
#include "framework/DTPluginBase.h"

#include <QMap>
#include <QTimer>
#include <QtPlugin>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The bridge to the vision core: camera commands from the bus become calls on
// the core's client, the core's frames become frame records for the camera page.
// A station has several cameras: the home page lists them and opens them through
// this plugin, every command goes to the camera its record names (else the first
// one open) and everything about one camera goes back with its "camera".
class Service : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.Service")
    // Read-only views for diagnostics and tests.
    Q_PROPERTY(QString endpoint READ endpoint CONSTANT)
    Q_PROPERTY(bool connected READ isConnected)
    Q_PROPERTY(qulonglong droppedFrames READ droppedFrames)
    Q_PROPERTY(qulonglong rejectedFrames READ rejectedFrames)
    // Saving: frames received from the core, frames written to disk, frames
    // not saved (the writer's bound was reached, or the write failed).
    Q_PROPERTY(qulonglong receivedFrames READ receivedFrames)
    Q_PROPERTY(qulonglong savedFrames READ savedFrames)
    Q_PROPERTY(qulonglong unsavedFrames READ unsavedFrames)
    Q_PROPERTY(qulonglong failedSaves READ failedSaves)
    Q_PROPERTY(int loadState READ loadState)
    Q_PROPERTY(QObject* uiObject READ uiObject)

public:
    // Frame records waiting for or in delivery to the GUI thread.
    static constexpr int kFramesInFlight = 2;

    explicit Service(QObject* parent = nullptr);
    ~Service() override;

    // Starts connecting in the background; the outcome, and every later loss
    // and return of the core, reaches the pages as status texts once the
    // plugins are connected (from loadUI on), and each connection is followed
    // by MSG_CORE_CONNECTED so the camera page reads the camera again.
    Q_INVOKABLE void init();
    void loadUI() override;

    void onFrameCallback(const std::shared_ptr<VexaImage>& image);
    void onFrameRltCallback(const std::shared_ptr<MeasureResultData>& result);
    void onMessageCallback(E_Message_Type type, const Json::Value& message);
    // A frame the core sent malformed; the status list hears of it at most once a second.
    void onRejectedFrameCallback(std::uint64_t nTotal, const std::string& strReason);

    // The status text that reports refused frames.
    static QString rejectedFramesText(quint64 nTotal);
    // Frames of a camera the core left out of the stream because this client fell behind.
    static QString skippedFramesText(quint64 nTotal);
    // Reports of refused frames are at least this far apart.
    static constexpr int kRejectReportIntervalMs = 1000;

    // Status texts of saving; each kind goes out at most once a second.
    static QString saveFailedText(const QString& qsFile, int nErrno, quint64 nTotal);
    static QString unsavedFramesText(quint64 nTotal);
    static constexpr int kSaveReportIntervalMs = 1000;
    static constexpr int kCoreErrorIntervalMs = 1000;
    // The record that lists a written file on the camera page.
    static PluginMetaData savedFrameRecord(const FrameSaveQueue::Saved& saved);
    // The save queue of the camera that commands naming none address.
    FrameSaveQueue& saveQueue() { return cameraFor(commandTarget(QJsonObject())).saveQueue(); }
    // One camera's part; made on first use. GUI thread.
    StationCamera& cameraFor(const QString& strCamera);
    // The camera a record addresses: its "camera", else the first open one ("" with none open).
    static QString commandTarget(const QJsonObject& json);
    // Waits until no list, open or close is under way; for tests.
    bool waitCameraCalls(int nTimeoutMs) { return m_calls.waitIdle(nTimeoutMs); }

    // Sends one empty frame record; a hand test of the camera page.
    Q_INVOKABLE void testDemo();

    // The reply to MSG_GET_CAMERA_PARAMS.
    static QJsonObject cameraParamsJson(const QVariant& exposure, const QVariant& gain,
                                        const QVariant& triggerMode, const QVariant& triggerGap);

    QString endpoint() const;
    bool isConnected() const;
    // Totals over every camera.
    qulonglong droppedFrames() const { return total(&StationCamera::dropped); }
    qulonglong rejectedFrames() const { return total(&StationCamera::rejected); }
    int loadState() const { return m_nLoadState; }
    qulonglong receivedFrames() const { return total(&StationCamera::received); }
    qulonglong savedFrames() const { return total(&StationCamera::saved); }
    qulonglong unsavedFrames() const { return total(&StationCamera::unsaved); }
    qulonglong failedSaves() const { return total(&StationCamera::failedSaves); }
    qulonglong receivedBytes() const { return total(&StationCamera::receivedBytes); }

    // The camera page's acquisition figures of one camera: totals since start and the link's state.
    QJsonObject figures(const QString& strCamera = QString());
    // How often the figures go out while the page wants them.
    static constexpr int kFiguresIntervalMs = 1000;

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override;

private:
    void reply(StationCamera& camera, int nMsgId, const QVariant& value, const QJsonObject& json = {});
    void replyJson(StationCamera& camera, int nMsgId, const QJsonObject& json);
    // A command's status line; a failure's reason, when known, goes with it.
    void status(StationCamera& camera, const char* pText, bool bOk, const QString& qsReason);
    void setParam(StationCamera& camera, const CameraParam& param, const QVariant& value);
    void getParam(StationCamera& camera, const CameraParam& param);
    void sendFigures();
    // GUI thread. nEvent: an RpcService::Event.
    void onCoreEvent(int nEvent, bool bRestored);
    void announce(int nEvent, bool bRestored);
    void sendCoreConnected();
    // The camera a core message is about: its "camera_id" when that camera is known.
    StationCamera* messageTarget(const Json::Value& message);
    // Open cameras, or the connection's own camera while none is open.
    QStringList activeCameras() const;
    qulonglong total(quint64 (StationCamera::*pCount)() const) const;

    void send(int nModule, int nMsgId, const QJsonObject& json);
    void listCameras();
    void listed(int nResult, const std::vector<CameraListing>& cameras);
    void openCamera(const QString& strCamera);
    void opened(const QString& strCamera, int nResult, const CameraListing& listing);
    void closeCamera(const QString& strCamera);
    void closed(const QString& strCamera, int nResult, bool bWasShooting, bool bWasSaving);
    // Opens what config.ini lists, else the only camera found.
    void openStartCameras(int nResult, const std::vector<CameraListing>& cameras);
    void openNextStartCamera();
    // The first open camera writes "test.bmp" and saves into the page's folder;
    // every other one into a folder of its own below it.
    void updateRoles();
    QString folderNameFor(const QString& strCamera, const QString& qsCaption);

    int m_nLoadState = 1;
    FrameHandOff m_handOff;
    // The core's frame accounting of every camera, for the figures.
    CameraFrameCounts m_frameCounts;
    // Runs only while the camera page shows its figures.
    QTimer m_figuresTimer;
    // GUI thread: outcomes that came before the plugins were connected.
    bool m_bPluginsConnected = false;
    bool m_bStartCamerasOpened = false;
    // The start's cameras still to open, and the one being opened.
    QStringList m_startQueue;
    QString m_strStartOpening;
    std::vector<std::pair<int, bool>> m_pendingEvents;
    // GUI thread: each camera's caption and save folder name, kept once known.
    QMap<QString, QString> m_captions;
    QMap<QString, QString> m_folderNames;
    // Made on the GUI thread, looked up by the core's threads; never removed while
    // the plugin lives, since the core may still call into them.
    mutable std::mutex m_camerasMutex;
    std::map<QString, std::unique_ptr<StationCamera>> m_cameras;
    // Last: gone first, waiting for calls that report back to this object.
    CameraCalls m_calls;
};
