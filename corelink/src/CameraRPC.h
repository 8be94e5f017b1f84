#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "corelink/CCameraBase.h"
#include "vision_core.pb.h"

class CoreSession;

// The camera of a connection: each call is one RPC with a deadline.
class CameraRPC : public CCameraBase
{
public:
    // strCamera empty: the camera that names none (the core picks it).
    CameraRPC(std::shared_ptr<CoreSession> pSession, std::string strCamera = std::string());

    void setFrameCallback(FrameCallback callback) override;
    void setRejectedFrameCallback(RejectedFrameCallback callback) override;
    void setSkippedFramesCallback(SkippedFramesCallback callback) override;
    int getCameraInfo(CameraInfo* pInfo) override;
    bool hasTriggerActivation() const override { return m_bTriggerActivation; }
    int setParam(const CameraParam& param, const ParamNumber& value, std::string* pReason) override;
    int getParam(const CameraParam& param, ParamNumber* pValue, std::string* pReason) override;
    int runCommand(CameraCommand command, std::string* pReason) override;

private:
    // The reason of a failed call for *pReason, when given.
    static int fail(int nResult, const std::string& strReason, std::string* pReason);

    std::shared_ptr<CoreSession> m_pSession;
    const std::string m_strCamera;
    // Written by getCameraInfo, read from any thread.
    std::atomic<bool> m_bTriggerActivation{true};
};
