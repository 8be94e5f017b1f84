#pragma once

#include <chrono>
#include <string>

#include <grpcpp/support/status.h>

#include "vision_core.pb.h"

// What a camera offers for triggering, asked when it is opened.
struct TriggerFeatures
{
    // The TriggerSoftware command and a "Software" trigger source.
    bool bSoftwareTrigger = true;
    // An acquisition frame rate that can be set.
    bool bFrameRate = false;
    // Single-frame acquisition (AcquisitionMode SingleFrame).
    bool bSingleFrame = false;
    // The line external triggers come on; empty where the camera has none.
    std::string strLine;
    // TriggerActivation (rising or falling edge).
    bool bActivation = false;
    // Frame rate for video, 0 to leave the camera's own.
    double dVideoFps = 0.0;
};

// How the camera is to be armed.
struct ArmPlan
{
    enum Arming
    {
        Stopped,
        FreeRunning,
        SoftwareTrigger,
        LineTrigger,
    };
    Arming arming = Stopped;
    // Acquisition frame rate to set first, 0 to leave it.
    double dFrameRate = 0.0;
    // TriggerActivation to write after arming: 0 rising, 1 falling, -1 none.
    int nActivation = -1;

    bool operator==(const ArmPlan& other) const
    {
        return arming == other.arming && dFrameRate == other.dFrameRate && nActivation == other.nActivation;
    }
    bool operator!=(const ArmPlan& other) const { return !(*this == other); }
};

// The acquisition mode and trigger state of one camera and the pacing of its
// software triggers, apart from any camera library. Trigger mode 1 (internal,
// the default): a photo is one software trigger, continuous shooting one per
// trigger gap; without software triggers a photo is one single-frame
// acquisition and continuous shooting free-running at the rate the gap gives.
// Trigger mode 0 (external): armed on the camera's line, photo and continuous
// refused. Video: free-running in either trigger mode.
class TriggerControl
{
public:
    using Clock = std::chrono::steady_clock;

    enum Mode
    {
        Idle,
        Continuous,
        Video,
    };
    // Trigger modes as the operator's client numbers them.
    static constexpr int kExternal = 0;
    static constexpr int kInternal = 1;

    // What the camera is to do after a step the state machine accepted.
    enum Action
    {
        None,
        // Arm the camera anew as plan() says.
        Arm,
        // Send one software trigger.
        SendTrigger,
        // Take one frame by single-frame acquisition.
        TakeSingleFrame,
        // Write plan().nActivation to the camera.
        WriteActivation,
    };
    struct Step
    {
        grpc::Status status;
        Action action = None;
    };

    // A newly opened camera: internal triggering where it has no line.
    void setFeatures(const TriggerFeatures& features);
    const TriggerFeatures& features() const { return m_features; }

    Mode mode() const { return m_mode; }
    int triggerMode() const { return m_nTriggerMode; }
    int triggerType() const { return m_nTriggerType; }
    float triggerGap() const { return m_fTriggerGap; }
    static const char* modeName(Mode mode);

    ArmPlan plan() const;

    Step command(kelvora::core::CommandKind kind);
    Step setTriggerMode(int nMode);
    Step setTriggerType(int nType);
    // Range-checked by the caller against the camera's bounds.
    Step setTriggerGap(float fGap);
    void clampTriggerGap(float fMin, float fMax);
    // The camera could not be armed as the last step asked: back to before it.
    void undo();
    // A lost camera: stopping needs no camera and leaves it idle.
    void stopWithoutCamera() { m_mode = Idle; }

    // Software-trigger pacing for continuous shooting, on the given clock.
    void restartPacing(Clock::time_point now) { m_nextTrigger = now; }
    // True when a software trigger is due now; the next one is a gap later.
    bool triggerDue(Clock::time_point now);
    // The sooner of the given time and the next software trigger.
    Clock::time_point wakeBy(Clock::time_point until) const;

private:
    struct Snapshot
    {
        Mode mode;
        int nTriggerMode;
        int nTriggerType;
        float fTriggerGap;
    };
    bool paced() const;
    Snapshot snapshot() const { return {m_mode, m_nTriggerMode, m_nTriggerType, m_fTriggerGap}; }
    Step enter(Mode mode);
    Step rearmIfChanged(const ArmPlan& before);

    TriggerFeatures m_features;
    Mode m_mode = Idle;
    int m_nTriggerMode = kInternal;
    int m_nTriggerType = 0;
    float m_fTriggerGap = 100.0f;
    Snapshot m_before{Idle, kInternal, 0, 100.0f};
    Clock::time_point m_nextTrigger;
};
