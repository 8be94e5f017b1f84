#pragma once

#include "ConnectGate.h"
#include "CoreKeeper.h"
#include "LinkSecurity.h"
#include "OperatorSettings.h"
#include "corelink/CCommBase.h"

#include <QString>
#include <QVariant>

#include <atomic>
#include <memory>
#include <mutex>

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

    // Camera calls. strCamera: the camera's id, empty for the camera that names
    // none (the first one open). pReason, when given, receives why a call
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
    bool getCameraInfo(QVariant* value, const QString& strCamera = QString());

    QString address() const { return m_strAddress; }
    // Status lines about the link's protection, for the operator (config.ini's TLS files).
    const QList<LinkSecurity::Notice>& securityNotices() const { return m_pSecurity->notices(); }
    // The TLS status text (untranslated) of the latest failed attempt; null when none.
    const char* lastTlsFailure() const { return LinkSecurity::initFailureText(m_nLastInit.load()); }
    // The link to the core is up now (false before the first connection and
    // while a lost link is being restored).
    bool isConnected() const { return m_bConnected.load(); }
    const OperatorSettings& operatorSettings() const { return m_settings; }
    // Continuous shooting runs after the last (re)connection's restore.
    bool continuousRestored() const { return m_bContinuousRestored.load(); }

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
    std::atomic<bool> m_bContinuousRestored{false};
    QString m_strAddress;
    std::unique_ptr<LinkSecurity> m_pSecurity;
    // Outcome of the latest CCommBase::init.
    std::atomic<int> m_nLastInit{0};
    OperatorSettings m_settings;

    // Guards the callbacks kept for registration and the listener; held while
    // the listener runs, so clearing it waits for a call in progress.
    std::mutex m_callbackMutex;
    FrameCallback m_frame;
    ResultCallback m_result;
    MessageCallback m_message;
    RejectedFrameCallback m_rejected;
    EventListener m_listener;

    // Calls the connection's uninit once, when the service closes.
    ConnectGate m_gate;

    // Last member: stopped first, while everything it uses still exists.
    CoreKeeper m_keeper;
};
