#include "TriggerControl.h"

#include <algorithm>

using grpc::Status;
using grpc::StatusCode;

void TriggerControl::setFeatures(const TriggerFeatures& features)
{
    m_features = features;
    if (m_features.strLine.empty())
        m_nTriggerMode = kInternal;
    if (m_nTriggerMode == kExternal && m_mode == Continuous)
        m_mode = Idle;
    m_before = snapshot();
}

const char* TriggerControl::modeName(Mode mode)
{
    static const char* const kNames[] = {"idle", "continuous", "video"};
    return kNames[mode];
}

ArmPlan TriggerControl::plan() const
{
    ArmPlan plan;
    plan.nActivation = m_features.bActivation ? m_nTriggerType : -1;
    if (m_mode == Video) {
        plan.arming = ArmPlan::FreeRunning;
        plan.dFrameRate = m_features.bFrameRate ? m_features.dVideoFps : 0.0;
    } else if (m_nTriggerMode == kExternal) {
        plan.arming = ArmPlan::LineTrigger;
    } else if (m_features.bSoftwareTrigger) {
        plan.arming = ArmPlan::SoftwareTrigger;
    } else if (m_mode == Continuous) {
        // No software triggers: the camera's own rate stands in for the gap.
        plan.arming = ArmPlan::FreeRunning;
        plan.dFrameRate = 1000.0 / double(m_fTriggerGap);
    } else {
        plan.arming = ArmPlan::Stopped;
    }
    return plan;
}

TriggerControl::Step TriggerControl::command(kelvora::core::CommandKind kind)
{
    m_before = snapshot();
    const Status onLine(StatusCode::FAILED_PRECONDITION,
                        "the camera is on external trigger (" + m_features.strLine
                            + "): its frames come with the line's pulses");
    switch (kind) {
    case kelvora::core::COMMAND_TAKE_PHOTO:
        if (m_nTriggerMode == kExternal)
            return {onLine, None};
        if (m_mode == Video)
            return {Status(StatusCode::FAILED_PRECONDITION, "video is running: the camera is free-running"),
                    None};
        if (m_features.bSoftwareTrigger)
            return {Status::OK, SendTrigger};
        if (m_mode == Continuous)
            return {Status(StatusCode::FAILED_PRECONDITION,
                           "continuous shooting is running: the camera has no TriggerSoftware command"),
                    None};
        if (m_features.bSingleFrame)
            return {Status::OK, TakeSingleFrame};
        return {Status(StatusCode::UNIMPLEMENTED,
                       "the camera has neither the TriggerSoftware command nor single-frame acquisition"),
                None};
    case kelvora::core::COMMAND_START_CONTINUOUS:
        if (m_nTriggerMode == kExternal)
            return {onLine, None};
        if (!m_features.bSoftwareTrigger && !m_features.bFrameRate)
            return {
                Status(StatusCode::UNIMPLEMENTED,
                       "the camera has neither the TriggerSoftware command nor an acquisition frame rate"),
                None};
        return enter(Continuous);
    case kelvora::core::COMMAND_START_VIDEO: return enter(Video);
    case kelvora::core::COMMAND_STOP_CONTINUOUS:
    case kelvora::core::COMMAND_STOP_VIDEO: return enter(Idle);
    default: return {Status(StatusCode::INVALID_ARGUMENT, "unknown command"), None};
    }
}

TriggerControl::Step TriggerControl::enter(Mode mode)
{
    const ArmPlan before = plan();
    m_mode = mode;
    return rearmIfChanged(before);
}

TriggerControl::Step TriggerControl::rearmIfChanged(const ArmPlan& before)
{
    return {Status::OK, plan() != before ? Arm : None};
}

TriggerControl::Step TriggerControl::setTriggerMode(int nMode)
{
    m_before = snapshot();
    if (nMode != kExternal && nMode != kInternal)
        return {Status(StatusCode::INVALID_ARGUMENT,
                       "trigger mode " + std::to_string(nMode) + " outside 0 (external) to 1 (internal)"),
                None};
    if (nMode == kExternal && m_features.strLine.empty())
        return {Status(StatusCode::FAILED_PRECONDITION, "the camera has no line that is a trigger source"),
                None};
    if (nMode == m_nTriggerMode)
        return {Status::OK, None};
    const ArmPlan before = plan();
    m_nTriggerMode = nMode;
    // Continuous shooting is internal triggering: it ends on the line.
    if (m_nTriggerMode == kExternal && m_mode == Continuous)
        m_mode = Idle;
    return rearmIfChanged(before);
}

TriggerControl::Step TriggerControl::setTriggerType(int nType)
{
    m_before = snapshot();
    if (nType != 0 && nType != 1)
        return {
            Status(StatusCode::INVALID_ARGUMENT,
                   "trigger type " + std::to_string(nType) + " outside 0 (rising edge) to 1 (falling edge)"),
            None};
    if (!m_features.bActivation)
        return {Status(StatusCode::UNIMPLEMENTED, "the camera has no TriggerActivation"), None};
    m_nTriggerType = nType;
    return {Status::OK, WriteActivation};
}

TriggerControl::Step TriggerControl::setTriggerGap(float fGap)
{
    m_before = snapshot();
    const ArmPlan before = plan();
    m_fTriggerGap = fGap;
    return rearmIfChanged(before);
}

void TriggerControl::clampTriggerGap(float fMin, float fMax)
{
    if (fMin <= fMax)
        m_fTriggerGap = std::clamp(m_fTriggerGap, fMin, fMax);
}

void TriggerControl::undo()
{
    m_mode = m_before.mode;
    m_nTriggerMode = m_before.nTriggerMode;
    m_nTriggerType = m_before.nTriggerType;
    m_fTriggerGap = m_before.fTriggerGap;
}

bool TriggerControl::paced() const
{
    return m_mode == Continuous && m_nTriggerMode == kInternal && m_features.bSoftwareTrigger;
}

bool TriggerControl::triggerDue(Clock::time_point now)
{
    if (!paced() || now < m_nextTrigger)
        return false;
    const auto gap = std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double, std::milli>(m_fTriggerGap));
    m_nextTrigger += gap;
    // Late by more than a gap: keep the rhythm, skip the backlog.
    if (m_nextTrigger < now)
        m_nextTrigger = now + gap;
    return true;
}

TriggerControl::Clock::time_point TriggerControl::wakeBy(Clock::time_point until) const
{
    return paced() ? std::min(until, m_nextTrigger) : until;
}
