#pragma once

#include <memory>
#include <mutex>

#include "corelink/CCommBase.h"

class CameraRPC;
class CoreSession;
class StreamWorker;

// A connection to the vision core over gRPC, with one thread for frames and
// one for results and messages.
class CommRPC : public CCommBase
{
public:
    CommRPC();
    ~CommRPC() override;

    std::shared_ptr<CCameraBase> camera() override;
    void setResultCallback(ResultCallback callback) override;
    void setMessageCallback(MessageCallback callback) override;
    void setLinkCallback(LinkCallback callback) override;
    int init(const Json::Value& settings) override;
    void uninit() override;
    int notifyLoadUI(int* pState) override;

private:
    std::shared_ptr<CoreSession> m_pSession;
    std::shared_ptr<CameraRPC> m_pCamera;
    std::mutex m_lifeMutex;
    std::shared_ptr<StreamWorker> m_pFrameWorker;
    std::shared_ptr<StreamWorker> m_pEventWorker;
};
