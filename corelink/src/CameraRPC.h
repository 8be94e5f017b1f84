#pragma once

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
    int getCameraInfo(CameraInfo* pInfo) override;
    int setExposure(unsigned nExposure) override;
    int getExposure(unsigned* pExposure) override;
    int setGain(float fGain) override;
    int getGain(float* pGain) override;
    int takePhoto() override;
    int startContinuous() override;
    int stopContinuous() override;
    int startVideo() override;
    int stopVideo() override;
    int setTriggerGap(float fGap) override;
    int getTriggerGap(float* pGap) override;
    int setTriggerMode(int nMode) override;
    int getTriggerMode(int* pMode) override;
    int setDebounceTime(int nMilliseconds) override;
    int getDebounceTime(int* pMilliseconds) override;

private:
    int command(kelvora::core::CommandKind kind, const char* pWhat);
    int setParam(const kelvora::core::ParamValue& value, const char* pWhat);
    int getParam(kelvora::core::Param param, kelvora::core::ParamValue::ValueCase expected,
                 kelvora::core::ParamValue* pValue, const char* pWhat);

    std::shared_ptr<CoreSession> m_pSession;
    const std::string m_strCamera;
};
