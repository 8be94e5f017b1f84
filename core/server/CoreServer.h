#pragma once

#include <memory>
#include <mutex>

#include <QString>

#include "CameraBackend.h"
#include "CoreOptions.h"
#include "VisionCoreService.h"

namespace grpc {
class Server;
class ServerCredentials;
}

// One vision core: a camera backend and the RPC server in front of it.
class CoreServer
{
public:
    CoreServer(const CoreOptions& options, std::unique_ptr<CameraBackend> pCamera);
    ~CoreServer();

    // Opens the camera and binds the address; false with a reason on failure.
    bool start(QString* pError);
    // The bound port (the chosen one when asked for port 0).
    int port() const { return m_nPort; }
    std::string describe() const { return m_pCamera->describe(); }
    // Ends streams and shooting and shuts the server down. Any thread, idempotent.
    void stop();
    // Blocks until the server has shut down.
    void wait();

private:
    // Plaintext, or TLS that requires and verifies client certificates.
    bool credentials(std::shared_ptr<grpc::ServerCredentials>* pCredentials, QString* pError) const;

    CoreOptions m_options;
    std::unique_ptr<CameraBackend> m_pCamera;
    FrameBroadcast m_frames;
    EventBroadcast m_events;
    VisionCoreService m_service;
    std::unique_ptr<grpc::Server> m_pServer;
    std::once_flag m_stopOnce;
    int m_nPort = 0;
};
