#pragma once

#include "CameraInfoType.h"

// The camera's parameter ranges as the panel's sliders and validators take them:
// whole numbers from CameraInfo's fields, floats truncated towards zero, unsigned
// values beyond the int range saturated.
struct SliderRange
{
    int nMin = 0;
    int nMax = 0;
};

struct SliderRanges
{
    SliderRange exposure;
    SliderRange gain;
    SliderRange debounce;
    SliderRange triggerGap;

    static SliderRanges fromInfo(const CameraInfo& info);
};

// Truncates towards zero, saturating at the int range; NaN gives 0. Camera values
// arrive as floats and doubles from another process and must not overflow an int.
int truncToInt(double dValue);
