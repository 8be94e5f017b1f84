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

namespace {

template <typename T>
std::string outside(const char* pName, T value, T min, T max)
{
    return std::string(pName) + " " + std::to_string(value) + " outside " + std::to_string(min) + " to "
        + std::to_string(max);
}

} // namespace

std::string SimCameraSettings::set(const ParamValue& value)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    switch (value.param()) {
    case kelvora::core::PARAM_EXPOSURE:
        if (value.value_case() != ParamValue::kU32)
            break;
        if (value.u32() < m_ranges.exposure_min() || value.u32() > m_ranges.exposure_max())
            return outside("exposure", value.u32(), m_ranges.exposure_min(), m_ranges.exposure_max());
        m_nExposure = value.u32();
        return {};
    case kelvora::core::PARAM_GAIN:
        if (value.value_case() != ParamValue::kF32)
            break;
        // The negated form also refuses NaN.
        if (!(value.f32() >= m_ranges.gain_min() && value.f32() <= m_ranges.gain_max()))
            return outside("gain", value.f32(), m_ranges.gain_min(), m_ranges.gain_max());
        m_fGain = value.f32();
        return {};
    case kelvora::core::PARAM_TRIGGER_GAP:
        if (value.value_case() != ParamValue::kF32)
            break;
        if (!(value.f32() >= m_ranges.trigger_gap_min() && value.f32() <= m_ranges.trigger_gap_max()))
            return outside("trigger gap", value.f32(), m_ranges.trigger_gap_min(),
                           m_ranges.trigger_gap_max());
        m_fTriggerGap = value.f32();
        return {};
    case kelvora::core::PARAM_TRIGGER_MODE:
        if (value.value_case() != ParamValue::kI32)
            break;
        if (value.i32() < int32_t(m_ranges.trigger_mode_min())
            || value.i32() > int32_t(m_ranges.trigger_mode_max()))
            return outside("trigger mode", value.i32(), int32_t(m_ranges.trigger_mode_min()),
                           int32_t(m_ranges.trigger_mode_max()));
        m_nTriggerMode = value.i32();
        return {};
    case kelvora::core::PARAM_DEBOUNCE:
        if (value.value_case() != ParamValue::kI32)
            break;
        if (value.i32() < m_ranges.debounce_min() || value.i32() > m_ranges.debounce_max())
            return outside("debounce", value.i32(), m_ranges.debounce_min(), m_ranges.debounce_max());
        m_nDebounce = value.i32();
        return {};
    default: return "unknown parameter";
    }
    return "wrong value type for the parameter";
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
