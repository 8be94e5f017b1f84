#include "SliderRanges.h"

#include <QtGlobal>

#include <climits>
#include <cmath>

namespace {
int saturatedInt(quint32 nValue)
{
    return static_cast<int>(qMin<quint32>(nValue, INT_MAX));
}
}

SliderRanges SliderRanges::fromInfo(const CameraInfo& info)
{
    SliderRanges ranges;
    ranges.exposure = {saturatedInt(info.nExposureMin), saturatedInt(info.nExposureMax)};
    ranges.gain = {truncToInt(info.fGainMin), truncToInt(info.fGainMax)};
    ranges.debounce = {info.nDebounceMin, info.nDebounceMax};
    ranges.triggerGap = {truncToInt(info.fTriggerGapMin), truncToInt(info.fTriggerGapMax)};
    return ranges;
}

int truncToInt(double dValue)
{
    if (std::isnan(dValue))
        return 0;
    if (dValue >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (dValue <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(std::trunc(dValue));
}
