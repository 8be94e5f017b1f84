#include "CameraRanges.h"

#include <climits>
#include <cmath>
#include <cstring>

namespace {
template <typename T>
T readAt(const unsigned char* pBytes, size_t nOffset)
{
    T value;
    std::memcpy(&value, pBytes + nOffset, sizeof(T));
    return value;
}

template <typename T>
void writeAt(unsigned char* pBytes, size_t nOffset, T value)
{
    std::memcpy(pBytes + nOffset, &value, sizeof(T));
}
}

CameraRanges CameraRanges::fromInfo(const CameraInfo& info)
{
    unsigned char bytes[sizeof(CameraInfo)];
    std::memcpy(bytes, &info, sizeof(bytes));
    CameraRanges ranges;
    ranges.nExposureMin = readAt<quint32>(bytes, 8);
    ranges.nExposureMax = readAt<quint32>(bytes, 12);
    ranges.fGainMin = readAt<float>(bytes, 16);
    ranges.fGainMax = readAt<float>(bytes, 20);
    ranges.nDebounceMin = readAt<qint32>(bytes, 32);
    ranges.nDebounceMax = readAt<qint32>(bytes, 36);
    ranges.fGapMin = readAt<float>(bytes, 40);
    ranges.fGapMax = readAt<float>(bytes, 44);
    return ranges;
}

CameraInfo CameraRanges::toInfo() const
{
    unsigned char bytes[sizeof(CameraInfo)] = {};
    writeAt(bytes, 8, nExposureMin);
    writeAt(bytes, 12, nExposureMax);
    writeAt(bytes, 16, fGainMin);
    writeAt(bytes, 20, fGainMax);
    writeAt(bytes, 32, nDebounceMin);
    writeAt(bytes, 36, nDebounceMax);
    writeAt(bytes, 40, fGapMin);
    writeAt(bytes, 44, fGapMax);
    CameraInfo info;
    std::memcpy(static_cast<void*>(&info), bytes, sizeof(bytes));
    return info;
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
