#pragma once

#include <memory>
#include <mutex>

#include <QString>

#include "CameraBackend.h"
#include "CameraRegistry.h"
#include "CoreOptions.h"
#include "VisionCoreService.h"

namespace grpc {
class Server;
class ServerCredentials;
}

// One vision core: its cameras and the RPC server in front of them.
class CoreServer
{
public:
    // Each reader's queue of one camera's frames: a few, to ride out a reader's
    // short stalls on a loaded machine (at 30 frames/s, a quarter of a second),
    // and within 48 MiB beyond two, so large frames cannot pile up memory. A
    // frame pushed out is counted and the reader told with its next frame.
    static constexpr FrameBroadcast::Bound kFrameQueue{8, 48 * 1024 * 1024, 2};

    explicit CoreServer(const CoreOptions& options);
    // A core of one camera, started with the server (id "camera-1").
    CoreServer(const CoreOptions& options, std::unique_ptr<CameraBackend> pCamera);
    ~CoreServer();

    // Cameras are added (and discovery set up) before start.
    CameraRegistry& cameras() { return m_cameras; }
    // Binds the address; false with a reason on failure.
    bool start(QString* pError);
    // The bound port (the chosen one when asked for port 0).
    int port() const { return m_nPort; }
    std::string describe() const;
    // Ends streams and shooting and shuts the server down. Any thread, idempotent.
    void stop();
    // Blocks until the server has shut down.
    void wait();

private:
    // Plaintext, or TLS that requires and verifies client certificates.
    bool credentials(std::shared_ptr<grpc::ServerCredentials>* pCredentials, QString* pError) const;

    CoreOptions m_options;
    FrameBroadcast m_frames;
    EventBroadcast m_events;
    CameraRegistry m_cameras;
    std::unique_ptr<CameraBackend> m_pFirstCamera;
    VisionCoreService m_service;
    std::unique_ptr<grpc::Server> m_pServer;
    std::once_flag m_stopOnce;
    int m_nPort = 0;
};
