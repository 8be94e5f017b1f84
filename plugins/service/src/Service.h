#pragma once

#include "CameraFrameCounts.h"
#include "CameraStateNotice.h"
#include "FrameHandOff.h"
#include "FrameMailbox.h"
#include "FrameSaveQueue.h"
#include "RateLimitedStatus.h"
#include "corelink/CameraParamTable.h"
#include "corelink/CommTypes.h"
#include "framework/DTPluginBase.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtPlugin>

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <memory>

// The bridge to the vision core: camera commands from the bus become calls on
// the core's client, the core's frames become frame records for the camera page.
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
    // Reports of refused frames are at least this far apart.
    static constexpr int kRejectReportIntervalMs = 1000;

    // Status texts of saving; each kind goes out at most once a second.
    static QString saveFailedText(const QString& qsFile, int nErrno, quint64 nTotal);
    static QString unsavedFramesText(quint64 nTotal);
    static constexpr int kSaveReportIntervalMs = 1000;
    static constexpr int kCoreErrorIntervalMs = 1000;
    // The record that lists a written file on the camera page.
    static PluginMetaData savedFrameRecord(const FrameSaveQueue::Saved& saved);
    FrameSaveQueue& saveQueue() { return m_saver; }

    // Sends one empty frame record; a hand test of the camera page.
    Q_INVOKABLE void testDemo();

    // The reply to MSG_GET_CAMERA_PARAMS.
    static QJsonObject cameraParamsJson(const QVariant& exposure, const QVariant& gain,
                                        const QVariant& triggerMode, const QVariant& triggerGap);

    QString endpoint() const;
    bool isConnected() const;
    qulonglong droppedFrames() const { return m_frames.dropped(); }
    qulonglong rejectedFrames() const { return m_nRejectedFrames.load(); }
    int loadState() const { return m_nLoadState; }
    qulonglong receivedFrames() const { return m_nReceivedFrames.load(); }
    qulonglong savedFrames() const { return m_saver.counters().nSaved; }
    qulonglong unsavedFrames() const;
    qulonglong failedSaves() const { return m_saver.counters().nFailed; }
    qulonglong receivedBytes() const { return m_nReceivedBytes.load(); }

    // The camera page's acquisition figures: totals since start and the link's state.
    QJsonObject figures() const;
    // How often the figures go out while the page wants them.
    static constexpr int kFiguresIntervalMs = 1000;

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override;

private:
    void deliverFrame(const PluginMetaData& frame);
    void reply(int nMsgId, const QVariant& value, const QString& strCamera = QString());
    // A command's status line; a failure's reason, when known, goes with it.
    void status(const char* pText, bool bOk, const QString& qsReason, const QString& strCamera);
    void setParam(const CameraParam& param, const QVariant& value, const QString& strCamera);
    void getParam(const CameraParam& param, const QString& strCamera);
    void replyJson(int nMsgId, const QJsonObject& json);
    void reportRejectedFrames();
    void applySaveSettings(const QJsonObject& json);
    void sendFigures();
    // GUI thread. nEvent: an RpcService::Event.
    void onCoreEvent(int nEvent, bool bRestored);
    void announce(int nEvent, bool bRestored);
    void sendCoreConnected();

    int m_nLoadState = 1;
    FrameHandOff m_handOff;
    FrameMailbox m_frames;

    std::atomic<quint64> m_nRejectedFrames{0};
    std::atomic<bool> m_bRejectReportDue{false};
    // GUI thread only.
    QElapsedTimer m_lastRejectReport;
    CameraStateNotice m_cameraState;
    // The camera's newest state as the core told it (CameraStateNotice::State).
    std::atomic<int> m_nCameraState{CameraStateNotice::StateNone};
    CameraFrameCounts m_frameCounts;
    // The core's error messages in the status list, each kind at most once a second.
    RateLimitedStatus m_coreErrors;
    std::atomic<quint64> m_nReceivedFrames{0};
    std::atomic<quint64> m_nReceivedBytes{0};
    // Runs only while the camera page shows its figures.
    QTimer m_figuresTimer;
    RateLimitedStatus m_saveStatus;
    // Last: its writer thread calls into the members above until it is gone.
    FrameSaveQueue m_saver;
    // GUI thread: outcomes that came before the plugins were connected.
    bool m_bPluginsConnected = false;
    std::vector<std::pair<int, bool>> m_pendingEvents;
};
