#include "CameraBounds.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kExternal = 0;
constexpr int kInternal = 1;
// Continuous shooting's gap where the camera states no frame rate.
constexpr float kGapMin = 1.0f;
constexpr float kGapMax = 10000.0f;

template <typename T>
T inwards(double dValue, bool bUp)
{
    const double dRounded = bUp ? std::ceil(dValue) : std::floor(dValue);
    return T(std::clamp(dRounded, double(std::numeric_limits<T>::lowest()),
                        double(std::numeric_limits<T>::max())));
}

bool usable(const CameraBounds::Range& range)
{
    return std::isfinite(range.first) && std::isfinite(range.second) && range.first <= range.second;
}

} // namespace

kelvora::core::CameraRanges translateBounds(const CameraBounds& bounds)
{
    kelvora::core::CameraRanges ranges;
    ranges.set_width(uint32_t(std::max(0, bounds.nWidth)));
    ranges.set_height(uint32_t(std::max(0, bounds.nHeight)));

    if (bounds.exposure && usable(*bounds.exposure)) {
        const uint32_t nMin = inwards<uint32_t>(std::max(0.0, bounds.exposure->first), true);
        const uint32_t nMax = inwards<uint32_t>(std::max(0.0, bounds.exposure->second), false);
        if (nMin <= nMax) {
            ranges.set_exposure_min(nMin);
            ranges.set_exposure_max(nMax);
        }
    }
    if (bounds.gain && usable(*bounds.gain)) {
        ranges.set_gain_min(float(bounds.gain->first));
        ranges.set_gain_max(float(bounds.gain->second));
    }

    ranges.set_trigger_mode_min(bounds.bHasLine ? kExternal : kInternal);
    ranges.set_trigger_mode_max(kInternal);

    // The debouncer counts microseconds, the link milliseconds.
    if (bounds.debouncer && usable(*bounds.debouncer)) {
        const int32_t nMin = inwards<int32_t>(std::max(0.0, bounds.debouncer->first) / 1000.0, true);
        const int32_t nMax = inwards<int32_t>(bounds.debouncer->second / 1000.0, false);
        if (nMin <= nMax) {
            ranges.set_debounce_min(nMin);
            ranges.set_debounce_max(nMax);
        }
    }

    // Continuous shooting can trigger no faster than the camera's frame rate
    // allows, nor slower than its slowest rate.
    ranges.set_trigger_gap_min(kGapMin);
    ranges.set_trigger_gap_max(kGapMax);
    if (bounds.frameRate && usable(*bounds.frameRate) && bounds.frameRate->first > 0.0) {
        ranges.set_trigger_gap_min(float(1000.0 / bounds.frameRate->second));
        ranges.set_trigger_gap_max(float(1000.0 / bounds.frameRate->first));
    }
    return ranges;
}
