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
#include "corelink/CameraParamTable.h"
#include "corelink/CommTypes.h"

#include <string>

// The camera's commands, numbered as the wire protocol's CommandKind.
enum class CameraCommand : int
{
    TakePhoto = 1,
    StartContinuous = 2,
    StopContinuous = 3,
    StartVideo = 4,
    StopVideo = 5,
};

class CCameraBase
{
public:
    virtual ~CCameraBase() = default;

    // Frames arrive on a thread of the library; an empty function stops delivery.
    virtual void setFrameCallback(FrameCallback callback) = 0;
    // Told, on the same thread, of every frame that arrived but was refused as
    // malformed; an empty function stops it.
    virtual void setRejectedFrameCallback(RejectedFrameCallback callback) = 0;
    // Told, on the same thread, whenever the core says it left frames of this
    // camera out of the stream for want of a faster reader (the camera naming
    // none hears it for cameras without a callback of their own); an empty
    // function stops it. A camera that cannot know this never calls it.
    virtual void setSkippedFramesCallback(SkippedFramesCallback) {}
    virtual int getCameraInfo(CameraInfo* pInfo) = 0;
    // Whether the camera can choose the edge of an external trigger (the trigger
    // type), as the last getCameraInfo learnt; true where nobody said otherwise.
    virtual bool hasTriggerActivation() const { return true; }

    // Any row of the parameter table. The value must have the row's type. On a
    // failure *pReason (when given) receives why, in the core's words where
    // the core answered: the text is the core's and is not yet made safe to show.
    virtual int setParam(const CameraParam& param, const ParamNumber& value, std::string* pReason) = 0;
    // *pValue has the row's type on success.
    virtual int getParam(const CameraParam& param, ParamNumber* pValue, std::string* pReason) = 0;
    virtual int runCommand(CameraCommand command, std::string* pReason) = 0;

    // The named operations, one row or command each.
    int setExposure(unsigned nExposure) // microseconds
    {
        return setRow(PARAM_EXPOSURE, ParamNumber::ofU32(nExposure));
    }
    int getExposure(unsigned* pExposure) { return getRow(PARAM_EXPOSURE, pExposure); }
    int setGain(float fGain) // the camera's unit: dB, or raw steps
    {
        return setRow(PARAM_GAIN, ParamNumber::ofF32(fGain));
    }
    int getGain(float* pGain) { return getRow(PARAM_GAIN, pGain); }
    int takePhoto() { return runCommand(CameraCommand::TakePhoto, nullptr); }
    int startContinuous() { return runCommand(CameraCommand::StartContinuous, nullptr); }
    int stopContinuous() { return runCommand(CameraCommand::StopContinuous, nullptr); }
    int startVideo() { return runCommand(CameraCommand::StartVideo, nullptr); }
    int stopVideo() { return runCommand(CameraCommand::StopVideo, nullptr); }
    int setTriggerGap(float fGap) // milliseconds
    {
        return setRow(PARAM_TRIGGER_GAP, ParamNumber::ofF32(fGap));
    }
    int getTriggerGap(float* pGap) { return getRow(PARAM_TRIGGER_GAP, pGap); }
    int setTriggerMode(int nMode) { return setRow(PARAM_TRIGGER_MODE, ParamNumber::ofI32(nMode)); }
    int getTriggerMode(int* pMode) { return getRow(PARAM_TRIGGER_MODE, pMode); }
    int setDebounceTime(int nMilliseconds)
    {
        return setRow(PARAM_DEBOUNCE, ParamNumber::ofI32(nMilliseconds));
    }
    int getDebounceTime(int* pMilliseconds) { return getRow(PARAM_DEBOUNCE, pMilliseconds); }
    // 0 rising edge, 1 falling edge.
    int setTriggerType(int nType) { return setRow(PARAM_TRIGGER_TYPE, ParamNumber::ofI32(nType)); }
    int getTriggerType(int* pType) { return getRow(PARAM_TRIGGER_TYPE, pType); }

private:
    int setRow(int nIndex, const ParamNumber& value)
    {
        return setParam(*camera_params::byIndex(nIndex), value, nullptr);
    }
    template <typename T>
    int getRow(int nIndex, T* pValue)
    {
        if (pValue == nullptr)
            return -1;
        ParamNumber value;
        const int nResult = getParam(*camera_params::byIndex(nIndex), &value, nullptr);
        if (nResult == 0)
            *pValue = value.type == ParamType::U32 ? T(value.u32)
                : value.type == ParamType::F32     ? T(value.f32)
                                                   : T(value.i32);
        return nResult;
    }
};
