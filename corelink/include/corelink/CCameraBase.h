#pragma once

// The camera behind the vision core. Every call returns 0 on success and a
// non-zero code on failure (the reason goes to the client's log): -1 for a
// missing connection or a null out-parameter, otherwise the RPC status code
// (4 deadline exceeded, 3 value outside the camera's range, 14 core
// unreachable, ...). Getters fill their out-parameter only on success.
// Calls block for at most 0.45 s. Once a call ran out of time, the
// following ones fail at once (code 14) until the core answers again, which
// a thread of the library checks in the background.

#include "corelink/CameraInfo.h"
#include "corelink/CommTypes.h"

class CCameraBase
{
public:
    virtual ~CCameraBase() = default;

    // Frames arrive on a thread of the library; an empty function stops delivery.
    virtual void setFrameCallback(FrameCallback callback) = 0;
    // Told, on the same thread, of every frame that arrived but was refused as
    // malformed; an empty function stops it.
    virtual void setRejectedFrameCallback(RejectedFrameCallback callback) = 0;
    virtual int getCameraInfo(CameraInfo* pInfo) = 0;
    virtual int setExposure(unsigned nExposure) = 0; // microseconds
    virtual int getExposure(unsigned* pExposure) = 0;
    virtual int setGain(float fGain) = 0; // the camera's unit: dB, or raw steps
    virtual int getGain(float* pGain) = 0;
    virtual int takePhoto() = 0;
    virtual int startContinuous() = 0;
    virtual int stopContinuous() = 0;
    virtual int startVideo() = 0;
    virtual int stopVideo() = 0;
    virtual int setTriggerGap(float fGap) = 0; // milliseconds
    virtual int getTriggerGap(float* pGap) = 0;
    virtual int setTriggerMode(int nMode) = 0;
    virtual int getTriggerMode(int* pMode) = 0;
    virtual int setDebounceTime(int nMilliseconds) = 0;
    virtual int getDebounceTime(int* pMilliseconds) = 0;
};
