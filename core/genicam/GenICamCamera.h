#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "FrameCounter.h"
#include "LossWatch.h"
#include "TriggerControl.h"
#include "server/BoundedExecutor.h"
#include "server/CameraBackend.h"
#include "server/CoreOptions.h"

typedef struct _ArvCamera ArvCamera;
typedef struct _ArvStream ArvStream;
typedef struct _ArvBuffer ArvBuffer;
typedef struct _ArvDevice ArvDevice;

// A GenICam camera (GigE Vision or USB3 Vision) through Aravis.
//
// One thread of its own makes every library call: the camera's calls block
// for seconds when it has gone away, and the RPC threads must still answer.
// They hand their work to that thread through a BoundedExecutor.
//
// What the camera does in each acquisition and trigger mode is
// TriggerControl's; this class carries its plans out on the camera. A lost
// camera is reopened every few seconds and gets the operator's settings and
// acquisition mode back.
class GenICamCamera final : public CameraBackend
{
public:
    explicit GenICamCamera(const CoreOptions& options);
    ~GenICamCamera() override;

    bool start(FrameBroadcast& frames, EventBroadcast& events, QString* pError) override;
    void stop() override;
    std::string describe() const override;

    grpc::Status ranges(kelvora::core::CameraRanges* pRanges) override;
    grpc::Status lacks(kelvora::core::Param param) override;
    grpc::Status setParam(const kelvora::core::ParamValue& value) override;
    grpc::Status getParam(kelvora::core::Param param, kelvora::core::ParamValue* pValue) override;
    grpc::Status command(kelvora::core::CommandKind kind) override;
    void opened() override;

    // Frame accounting so far (any thread).
    FrameCounter::Counts counts() const;

private:
    using Clock = std::chrono::steady_clock;

    // Runs the task on the camera thread and waits for its answer; a lost
    // camera is answered at once.
    grpc::Status call(BoundedExecutor::Task task, bool bNeedsCamera = true);
    void run();

    // Camera thread only.
    bool open(std::string* pError);
    bool configure(std::string* pError);
    bool readRanges(std::string* pError);
    bool checkSize(std::string* pError);
    void readFeatures();
    bool applySettings(std::string* pError);
    bool createStream(std::string* pError);
    bool arm(std::string* pError);
    bool stopAcquisition(std::string* pError);
    // Continuous or single-frame acquisition, started.
    bool startAcquisition(bool bSingleFrame, std::string* pError);
    bool takeSingleFrame(std::string* pError);
    bool writeActivation(std::string* pError);
    grpc::Status carryOut(const TriggerControl::Step& step, const std::string& strWhat);
    void close(bool bCameraAlive);
    void lose(const std::string& strReason);
    bool probe();
    void receive(Clock::time_point until);
    void deliver(ArvBuffer* pBuffer);
    void reportCounts(bool bForce);
    void readStreamStatistics();
    void watchLoss();
    grpc::Status doSet(const kelvora::core::ParamValue& value);
    grpc::Status doGet(kelvora::core::Param param, kelvora::core::ParamValue* pValue);
    grpc::Status doCommand(kelvora::core::CommandKind kind);
    void message(int nType, const std::string& strJson);
    static void onControlLost(ArvDevice* pDevice, void* pSelf);
    void releaseLostCamera();

    const CoreOptions m_options;
    FrameBroadcast* m_pFrames = nullptr;
    EventBroadcast* m_pEvents = nullptr;

    // Camera thread only.
    ArvCamera* m_pCamera = nullptr;
    // A lost camera is released only at the next attempt to open one (see close()).
    ArvCamera* m_pLostCamera = nullptr;
    Clock::time_point m_lostAt;
    ArvStream* m_pStream = nullptr;
    unsigned long m_nLostHandler = 0;
    bool m_bAcquiring = false;
    // A photo by single-frame acquisition: its frame is awaited, or came and
    // the camera was stopped (a camera may go on sending regardless).
    enum class SingleFrame
    {
        None,
        Awaited,
        Taken,
    };
    SingleFrame m_singleFrame = SingleFrame::None;
    bool m_bHasDebouncer = false;
    TriggerControl m_trigger;
    // What the operator set, put back on a reopened camera.
    std::optional<double> m_exposure;
    std::optional<double> m_gain;
    std::optional<int> m_debounce;
    uint32_t m_nReportedFormat = 0;
    uint32_t m_nFormat = 0;
    // Why the camera's pixel format cannot be shown; empty when it can.
    std::string m_strUnsupported;
    // The same for other threads, under m_mutex: said again to a client that opens the camera.
    std::string m_strStandingError;
    std::string m_strFormatName;
    Clock::time_point m_lastAlive;
    Clock::time_point m_nextReopen;
    Clock::time_point m_nextReport;
    FrameCounter::Counts m_lastReported;
    LossWatch m_lossWatch;
    Clock::time_point m_nextLossCheck;

    BoundedExecutor m_executor;

    mutable std::mutex m_mutex;
    std::condition_variable m_firstAttempt;
    bool m_bFirstAttemptDone = false;
    std::string m_strDescription;
    kelvora::core::CameraRanges m_ranges;
    bool m_bHaveRanges = false;
    // Features the opened camera lacks, for the call threads.
    bool m_bLacksDebouncer = false;
    bool m_bLacksActivation = false;
    FrameCounter m_counter;

    std::atomic<bool> m_bOpen{false};
    std::atomic<bool> m_bControlLost{false};
    std::thread m_thread;
};
