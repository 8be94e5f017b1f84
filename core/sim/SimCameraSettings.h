#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "vision_core.pb.h"

// The simulated camera's settings with their ranges. Values outside a range
// are refused and the previous value is kept.
class SimCameraSettings
{
public:
    SimCameraSettings(int nWidth, int nHeight);

    kelvora::core::CameraRanges ranges() const;
    // Empty on success, else the reason.
    std::string set(const kelvora::core::ParamValue& value);
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
};
