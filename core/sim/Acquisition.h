#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "server/CameraBackend.h"

class SimCameraSettings;
class FrameFactory;

// The camera's shooting: single shots, continuous mode (one frame per
// trigger gap) and video mode (a steady rate), numbering frames from 1.
class Acquisition
{
public:
    enum Mode
    {
        Idle,
        Continuous,
        Video,
    };

    Acquisition(FrameFactory& factory, const SimCameraSettings& params, FrameBroadcast& frames,
                EventBroadcast& events, double dVideoFps, int nResultEvery);
    ~Acquisition();

    void takePhoto();
    void setMode(Mode mode);
    // Ends the shooting thread; called before the broadcasts close.
    void stop();

    // A status message to every event subscriber.
    void sendMessage(int nType, const std::string& strJson);

private:
    void run();
    void shoot();

    FrameFactory& m_factory;
    const SimCameraSettings& m_params;
    FrameBroadcast& m_frames;
    EventBroadcast& m_events;
    const double m_dVideoFps;
    const int m_nResultEvery;

    std::atomic<uint64_t> m_nNextFrame{1};
    std::mutex m_mutex;
    std::condition_variable m_wake;
    Mode m_mode = Idle;
    bool m_bStopping = false;
    std::thread m_thread;
};
