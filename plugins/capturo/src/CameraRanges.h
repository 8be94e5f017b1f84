#pragma once

#include "CameraInfoType.h"

#include <QtGlobal>

// The parameter ranges a camera reports, read from the 48-byte CameraInfo record by
// byte offset so that the panel depends on the record's layout only.
struct CameraRanges
{
    quint32 nExposureMin = 0;  // bytes 8-15
    quint32 nExposureMax = 0;
    float fGainMin = 0.0f;     // bytes 16-23
    float fGainMax = 0.0f;
    qint32 nDebounceMin = 0;   // bytes 32-39
    qint32 nDebounceMax = 0;
    float fGapMin = 0.0f;      // bytes 40-47
    float fGapMax = 0.0f;

    static CameraRanges fromInfo(const CameraInfo& info);
    // Builds a record with these ranges (other bytes zero); the inverse of fromInfo.
    CameraInfo toInfo() const;
};

// Truncates towards zero, saturating at the int range; NaN gives 0. Camera values
// arrive as floats and doubles from another process and must not overflow an int.
int truncToInt(double dValue);
