#pragma once

#include <cstdint>

// Stand-in for the core link's camera range record, used only while the core link
// is not part of the tree. The panel reads it by byte offset (CameraRanges), so only
// the 48-byte layout matters, not these member names.
struct CameraInfo
{
    uint32_t reserved[2] = {0, 0};          // bytes 0-7
    uint32_t exposureMin = 0;               // 8-11
    uint32_t exposureMax = 0;               // 12-15
    float gainMin = 0.0f;                   // 16-19
    float gainMax = 0.0f;                   // 20-23
    uint32_t unusedMin = 0;                 // 24-27
    uint32_t unusedMax = 0;                 // 28-31
    int32_t debounceMin = 0;                // 32-35
    int32_t debounceMax = 0;                // 36-39
    float triggerGapMin = 0.0f;             // 40-43
    float triggerGapMax = 0.0f;             // 44-47
};
