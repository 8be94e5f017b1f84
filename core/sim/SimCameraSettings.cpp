#include "SimCameraSettings.h"

#include <cmath>

using kelvora::core::ParamValue;

SimCameraSettings::SimCameraSettings(int nWidth, int nHeight)
{
    // Ranges of a typical industrial area camera.
    m_ranges.set_width(nWidth);
    m_ranges.set_height(nHeight);
    m_ranges.set_exposure_min(20);
    m_ranges.set_exposure_max(1000000);
    m_ranges.set_gain_min(0.0f);
    m_ranges.set_gain_max(24.0f);
    m_ranges.set_trigger_mode_min(0);
    m_ranges.set_trigger_mode_max(1);
    m_ranges.set_debounce_min(0);
    m_ranges.set_debounce_max(1000);
    m_ranges.set_trigger_gap_min(1.0f);
    m_ranges.set_trigger_gap_max(10000.0f);
}

kelvora::core::CameraRanges SimCameraSettings::ranges() const
{
    return m_ranges;
}

// The server checked the value's type and range.
void SimCameraSettings::set(const ParamValue& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (value.param()) {
    case kelvora::core::PARAM_EXPOSURE: m_nExposure = value.u32(); break;
    case kelvora::core::PARAM_GAIN: m_fGain = value.f32(); break;
    case kelvora::core::PARAM_TRIGGER_GAP: m_fTriggerGap = value.f32(); break;
    case kelvora::core::PARAM_TRIGGER_MODE: m_nTriggerMode = value.i32(); break;
    case kelvora::core::PARAM_DEBOUNCE: m_nDebounce = value.i32(); break;
    case kelvora::core::PARAM_TRIGGER_TYPE: m_nTriggerType = value.i32(); break;
    default: break;
    }
}

bool SimCameraSettings::get(kelvora::core::Param param, ParamValue* pValue) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    pValue->set_param(param);
    switch (param) {
    case kelvora::core::PARAM_EXPOSURE: pValue->set_u32(m_nExposure); return true;
    case kelvora::core::PARAM_GAIN: pValue->set_f32(m_fGain); return true;
    case kelvora::core::PARAM_TRIGGER_GAP: pValue->set_f32(m_fTriggerGap); return true;
    case kelvora::core::PARAM_TRIGGER_MODE: pValue->set_i32(m_nTriggerMode); return true;
    case kelvora::core::PARAM_DEBOUNCE: pValue->set_i32(m_nDebounce); return true;
    case kelvora::core::PARAM_TRIGGER_TYPE: pValue->set_i32(m_nTriggerType); return true;
    default: return false;
    }
}

uint32_t SimCameraSettings::exposure() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nExposure;
}

float SimCameraSettings::gain() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fGain;
}

float SimCameraSettings::triggerGap() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fTriggerGap;
}

double SimCameraSettings::brightness() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nExposure / 10000.0 * std::pow(10.0, m_fGain / 20.0);
}
