#pragma once

#include "corelink/CCommBase.h"

#include <QString>
#include <QVariant>

#include <memory>

// The process's one connection to the vision core. Built on first use, it
// reads the endpoint from config.ini, connects once and never reconnects.
// Every camera operation reports whether the core carried it out.
class RpcService
{
public:
    static RpcService& instance();

    // Registers the callbacks; false (nothing registered) when not connected.
    bool init(FrameCallback frame, ResultCallback result, MessageCallback message);
    // Told of every malformed frame the core sent; nothing when not connected.
    void setRejectedFrameCallback(RejectedFrameCallback rejected);
    // Stops every callback; for an owner that goes away while the core runs on.
    // Does nothing once the process-wide object is gone (late exit clean-up).
    static void detach();
    bool notifyLoadUI(int* pState);

    bool takePhoto();
    bool startContinuous();
    bool stopContinuous();
    bool startVideo();
    bool stopVideo();

    // Index as in CameraParamIndex; false for an unknown index or a failed call.
    bool setCameraParam(int nIndex, const QVariant& value);
    // Fills value only when the core answered.
    bool getCameraParam(int nIndex, QVariant* value);
    bool getCameraInfo(QVariant* value);

    QString address() const { return m_strAddress; }
    bool isConnected() const { return m_bConnected; }

    RpcService(const RpcService&) = delete;
    RpcService& operator=(const RpcService&) = delete;

private:
    RpcService();
    ~RpcService();

    std::shared_ptr<CCameraBase> camera() const;

    std::shared_ptr<CCommBase> m_pComm;
    bool m_bConnected = false;
    QString m_strAddress;
};
