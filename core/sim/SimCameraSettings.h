#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "vision_core.pb.h"

// The simulated camera's settings with their ranges; the core's server refuses
// values outside them before they come here.
class SimCameraSettings
{
public:
    SimCameraSettings(int nWidth, int nHeight);

    kelvora::core::CameraRanges ranges() const;
    // The largest frame's pixel bytes, told with the ranges; set before the
    // camera starts.
    void setFrameBytes(uint64_t nBytes) { m_ranges.set_frame_bytes(nBytes); }
    void set(const kelvora::core::ParamValue& value);
    bool get(kelvora::core::Param param, kelvora::core::ParamValue* pValue) const;

    uint32_t exposure() const;
    float gain() const;
    float triggerGap() const;
    // Scene brightness factor from exposure and gain; 1 at the defaults.
    double brightness() const;

private:
    kelvora::core::CameraRanges m_ranges;
    mutable std::mutex m_mutex;
    uint32_t m_nExposure = 10000;
    float m_fGain = 0.0f;
    float m_fTriggerGap = 100.0f;
    int32_t m_nTriggerMode = 0;
    int32_t m_nDebounce = 10;
    int32_t m_nTriggerType = 0;
};
