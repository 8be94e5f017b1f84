#pragma once

#include "ConnectGate.h"
#include "CoreKeeper.h"
#include "LinkSecurity.h"
#include "OperatorSettings.h"
#include "corelink/CCommBase.h"

#include <QString>
#include <QVariant>

#include <QStringList>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

// The process's one connection to the vision core. Built on first use, it
// reads the endpoint from config.ini; init() starts connecting in the
// background (CoreKeeper), so no caller ever waits for the core. Every camera
// operation reports whether the core carried it out, and what the operator
// set is put back whenever the core is reached again.
class RpcService
{
public:
    using Event = CoreKeeper::Event;
    // Hears the connection's events on a thread of the service.
    using EventListener = std::function<void(Event, bool bRestored)>;

    static RpcService& instance();

    // Keeps the callbacks and starts connecting; they are registered with
    // the core once it is reached. The listener hears every outcome. A second
    // call replaces the callbacks and the listener and, when the outcome is
    // already known, tells it to the new listener at once.
    void init(FrameCallback frame, ResultCallback result, MessageCallback message,
              RejectedFrameCallback rejected, EventListener listener);
    // Stops every callback; for an owner that goes away while the core runs on.
    // Does nothing once the process-wide object is gone (late exit clean-up).
    static void detach();
    bool notifyLoadUI(int* pState);

    // Camera calls. strCamera: the camera's id, empty for the connection's own
    // camera (the first one this client opened, else the core's first one). pReason, when given, receives why a call
    // failed, as the core or the link said it (not yet made safe to show).
    bool command(CameraCommand command, const QString& strCamera = QString(), QString* pReason = nullptr);
    bool takePhoto() { return command(CameraCommand::TakePhoto); }
    bool startContinuous() { return command(CameraCommand::StartContinuous); }
    bool stopContinuous() { return command(CameraCommand::StopContinuous); }
    bool startVideo() { return command(CameraCommand::StartVideo); }
    bool stopVideo() { return command(CameraCommand::StopVideo); }

    // A row of the parameter table; the value is kept for the restore whether
    // or not the camera took it.
    bool setParam(const CameraParam& param, const QVariant& value, const QString& strCamera = QString(),
                  QString* pReason = nullptr);
    // Fills value (with the row's type) only when the core answered.
    bool getParam(const CameraParam& param, QVariant* value, const QString& strCamera = QString(),
                  QString* pReason = nullptr);
    // Index as in CameraParamIndex; false for an unknown index or a failed call.
    bool setCameraParam(int nIndex, const QVariant& value);
    bool getCameraParam(int nIndex, QVariant* value);
    // *pHasActivation (when given): whether the camera can choose its trigger's edge.
    bool getCameraInfo(QVariant* value, const QString& strCamera = QString(), bool* pHasActivation = nullptr);

    // The station's cameras. These block (a list up to 3 s, an open up to 5 s):
    // never call them on the GUI thread. 0 or the core link's failure code.
    int listCameras(std::vector<CameraListing>* pCameras, bool bRefresh = true);
    int openCamera(const QString& strCamera, CameraListing* pListing);
    // The camera is no longer this client's afterwards, whatever the core answered.
    int closeCamera(const QString& strCamera);
    // Open cameras in the order they were opened; the first is the one that
    // commands naming no camera address.
    QStringList openCameras() const;
    QString firstOpenCamera() const;
    bool isOpen(const QString& strCamera) const;
    // Frames and refused frames of one camera (kept, and given to the core
    // again whenever the callbacks are registered anew).
    void setCameraCallbacks(const QString& strCamera, FrameCallback frame, RejectedFrameCallback rejected);
    // Frames the core left out of the stream for one camera (the empty id: the
    // connection's own camera); kept like the callbacks above.
    void setSkippedCallback(const QString& strCamera, SkippedFramesCallback skipped);
    // The ids config.ini's "cameras" names, to be opened at start.
    QStringList startCameras() const { return m_startCameras; }

    QString address() const { return m_strAddress; }
    // Status lines about the link's protection, for the operator (config.ini's TLS files).
    const QList<LinkSecurity::Notice>& securityNotices() const { return m_pSecurity->notices(); }
    // The TLS status text (untranslated) of the latest failed attempt; null when none.
    const char* lastTlsFailure() const { return LinkSecurity::initFailureText(m_nLastInit.load()); }
    // The link to the core is up now (false before the first connection and
    // while a lost link is being restored).
    bool isConnected() const { return m_bConnected.load(); }
    // What the operator set on one camera (the empty id: the connection's own camera).
    OperatorSettings& operatorSettings(const QString& strCamera = QString());
    // Continuous shooting of that camera runs after the last (re)connection's restore.
    bool continuousRestored(const QString& strCamera = QString()) const;

    RpcService(const RpcService&) = delete;
    RpcService& operator=(const RpcService&) = delete;

private:
    RpcService();
    ~RpcService();

    std::shared_ptr<CCameraBase> camera(const QString& strCamera = QString()) const;
    // On the keeper's thread.
    bool connectOnce();
    bool restore();
    void tell(Event event, bool bRestored);
    void registerCallbacks();

    std::shared_ptr<CCommBase> m_pComm;
    Json::Value m_connection;
    // The link is up now.
    std::atomic<bool> m_bConnected{false};
    // The callbacks went to the core (at the first connection; they stay).
    std::atomic<bool> m_bRegistered{false};
    // The first attempt failed and the core was not reached since.
    std::atomic<bool> m_bFailedOnce{false};
    std::atomic<bool> m_bUILoaded{false};
    QString m_strAddress;
    std::unique_ptr<LinkSecurity> m_pSecurity;
    // Outcome of the latest CCommBase::init.
    std::atomic<int> m_nLastInit{0};
    QStringList m_startCameras;

    // Guards the open cameras, the settings per camera and what was restored.
    mutable std::mutex m_cameraMutex;
    QStringList m_open;
    std::map<QString, std::unique_ptr<OperatorSettings>> m_settings;
    std::map<QString, bool> m_continuousRestored;

    // Guards the callbacks kept for registration and the listener; held while
    // the listener runs, so clearing it waits for a call in progress.
    std::mutex m_callbackMutex;
    FrameCallback m_frame;
    ResultCallback m_result;
    MessageCallback m_message;
    RejectedFrameCallback m_rejected;
    EventListener m_listener;
    std::map<QString, std::pair<FrameCallback, RejectedFrameCallback>> m_cameraCallbacks;
    std::map<QString, SkippedFramesCallback> m_skippedCallbacks;

    // Calls the connection's uninit once, when the service closes.
    ConnectGate m_gate;

    // Last member: stopped first, while everything it uses still exists.
    CoreKeeper m_keeper;
};
