#pragma once

#include <memory>
#include <mutex>

#include <QString>

#include "Acquisition.h"
#include "CameraParams.h"
#include "FrameFactory.h"
#include "SimOptions.h"
#include "VisionCoreService.h"

namespace grpc {
class Server;
}

// One simulated vision core: camera, shooting and the RPC server.
class SimServer
{
public:
    explicit SimServer(const SimOptions& options);
    ~SimServer();

    // Loads the images and binds the address; false with a reason on failure.
    bool start(QString* pError);
    // The bound port (the chosen one when asked for port 0).
    int port() const { return m_nPort; }
    // Ends streams and shooting and shuts the server down. Any thread, idempotent.
    void stop();
    // Blocks until the server has shut down.
    void wait();

private:
    SimOptions m_options;
    CameraParams m_params;
    FrameFactory m_factory;
    FrameBroadcast m_frames;
    EventBroadcast m_events;
    Acquisition m_acquisition;
    VisionCoreService m_service;
    std::unique_ptr<grpc::Server> m_pServer;
    std::once_flag m_stopOnce;
    int m_nPort = 0;
};
