#pragma once

#include "CameraStateNotice.h"
#include "FrameHandOff.h"
#include "FrameMailbox.h"
#include "FrameSaveQueue.h"
#include "RateLimitedStatus.h"
#include "corelink/CommTypes.h"
#include "framework/PluginMetaData.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// Everything the service keeps for one camera of the station: its frames on
// their way to the GUI thread, its save queue and folder, its figures, its
// state and errors as the core reports them and its refused frames. Each camera has its
// own, so a camera that floods, stalls or is lost never costs another one a
// frame. Every record it sends carries "camera" (none for the connection's
// own camera, the one an older core serves).
class StationCamera : public QObject
{
    Q_OBJECT

public:
    // Sends a record on the bus; any thread.
    using Emit = std::function<void(const PluginMetaData&)>;

    // pHandOff: the shared "test.bmp" writer, used while this camera is the first open one.
    StationCamera(const QString& strId, FrameHandOff* pHandOff, int nFramesInFlight, Emit emitRecord,
                  QObject* parent = nullptr);
    ~StationCamera() override;

    QString id() const { return m_strId; }

    // The core's threads.
    void onFrame(const std::shared_ptr<VexaImage>& image);
    void onMessage(E_Message_Type type, const Json::Value& message);
    void onRejectedFrames(std::uint64_t nTotal);
    void onSkippedFrames(std::uint64_t nTotal);

    // Whether this camera's frames go to "test.bmp" (the first opened camera only).
    void setHandOff(bool bOn) { m_bHandOff = bOn; }
    bool handOff() const { return m_bHandOff.load(); }

    // The page's save settings for this camera; saved into qsSubFolder of the
    // page's folder unless it is empty.
    void setSaveSettings(const QJsonObject& json);
    // What the page last sent; empty while it sent nothing.
    QJsonObject saveSettings() const { return m_pageSettings; }
    void setSubFolder(const QString& qsSubFolder);
    QString subFolder() const { return m_qsSubFolder; }
    bool isSaving() const { return m_saver.settings().bEnabled; }
    FrameSaveQueue& saveQueue() { return m_saver; }

    // The record as this camera's: the record gets "camera".
    PluginMetaData tagged(PluginMetaData plt) const;
    // A status of this camera for the camera page.
    void status(const QString& qsText, bool bSuccess);
    // The core's link is gone: what the camera reported of itself no longer holds.
    void forgetState() { m_nState = CameraStateNotice::StateNone; }

    QJsonObject figures(bool bLinkUp) const;
    quint64 received() const { return m_nReceived.load(); }
    quint64 receivedBytes() const { return m_nReceivedBytes.load(); }
    quint64 dropped() const { return m_frames.dropped(); }
    quint64 rejected() const { return m_nRejected.load(); }
    // Left out by the core because this client did not keep up.
    quint64 droppedByCore() const { return m_nDroppedByCore.load(); }
    quint64 saved() const { return m_saver.counters().nSaved; }
    quint64 unsaved() const;
    quint64 failedSaves() const { return m_saver.counters().nFailed; }

private:
    void deliverFrame(const PluginMetaData& frame);
    void reportRejectedFrames();
    void applySaveSettings();

    const QString m_strId;
    FrameHandOff* const m_pHandOff;
    const Emit m_emit;
    std::atomic<bool> m_bHandOff{false};
    FrameMailbox m_frames;
    CameraStateNotice m_stateNotice;
    std::atomic<int> m_nState{CameraStateNotice::StateNone};
    std::atomic<quint64> m_nReceived{0};
    std::atomic<quint64> m_nReceivedBytes{0};
    std::atomic<quint64> m_nRejected{0};
    std::atomic<quint64> m_nDroppedByCore{0};
    std::atomic<bool> m_bRejectReportDue{false};
    // GUI thread only.
    QElapsedTimer m_lastRejectReport;
    QJsonObject m_pageSettings;
    QString m_qsSubFolder;
    RateLimitedStatus m_saveStatus;
    // The core's error messages about this camera, each kind at most once a second.
    RateLimitedStatus m_coreErrors;
    // Last: its writer thread calls into the members above until it is gone.
    FrameSaveQueue m_saver;
};
