#pragma once

// Camera parameter ranges as the vision core reports them. A plain 48-byte
// record copied byte for byte between modules, so this header stays free of
// Qt and RPC dependencies; pages that only show ranges include it alone.

#include <cstddef>
#include <cstdint>
#include <type_traits>

struct CameraInfo
{
    int32_t nSensorWidth = 0;     // 0-3   informative only
    int32_t nSensorHeight = 0;    // 4-7   informative only
    uint32_t nExposureMin = 0;    // 8-11  microseconds
    uint32_t nExposureMax = 0;    // 12-15
    float fGainMin = 0.0f;        // 16-19 the camera's unit (dB or raw steps)
    float fGainMax = 0.0f;        // 20-23
    uint32_t nTriggerModeMin = 0; // 24-27 informative only
    uint32_t nTriggerModeMax = 0; // 28-31
    int32_t nDebounceMin = 0;     // 32-35 milliseconds
    int32_t nDebounceMax = 0;     // 36-39
    float fTriggerGapMin = 0.0f;  // 40-43 milliseconds
    float fTriggerGapMax = 0.0f;  // 44-47
};

static_assert(sizeof(CameraInfo) == 48, "CameraInfo is a 48-byte record");
static_assert(std::is_standard_layout<CameraInfo>::value, "CameraInfo is copied byte for byte");
static_assert(std::is_trivially_copyable<CameraInfo>::value, "CameraInfo is copied byte for byte");
static_assert(offsetof(CameraInfo, nExposureMin) == 8, "exposure range at byte 8");
static_assert(offsetof(CameraInfo, fGainMin) == 16, "gain range at byte 16");
static_assert(offsetof(CameraInfo, nTriggerModeMin) == 24, "unused pair at byte 24");
static_assert(offsetof(CameraInfo, nDebounceMin) == 32, "debounce range at byte 32");
static_assert(offsetof(CameraInfo, fTriggerGapMin) == 40, "trigger gap range at byte 40");
