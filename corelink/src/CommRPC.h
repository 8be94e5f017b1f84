#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>
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
    std::shared_ptr<CCameraBase> camera(const std::string& id) override;
    int listCameras(std::vector<CameraListing>* pCameras, bool bRefresh) override;
    int openCamera(const std::string& id, CameraListing* pListing) override;
    int closeCamera(const std::string& id) override;
    void setResultCallback(ResultCallback callback) override;
    void setMessageCallback(MessageCallback callback) override;
    void setLinkCallback(LinkCallback callback) override;
    int init(const Json::Value& settings) override;
    void uninit() override;
    int notifyLoadUI(int* pState) override;

private:
    // After the link came back: the core may have restarted and forgotten them.
    void reopenCameras();

    std::shared_ptr<CoreSession> m_pSession;
    std::shared_ptr<CameraRPC> m_pCamera;
    std::mutex m_lifeMutex;
    std::shared_ptr<StreamWorker> m_pFrameWorker;
    std::shared_ptr<StreamWorker> m_pEventWorker;
    std::mutex m_cameraMutex;
    std::map<std::string, std::shared_ptr<CameraRPC>> m_cameras;
    // Opened by this connection, in the order opened.
    std::vector<std::string> m_opened;
};
