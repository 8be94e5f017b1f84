#pragma once

// Every camera parameter in one table: how the bus, the service, the client
// library and the core's range check address, convert, bound and report it.
// Adding a parameter is one row here plus its widget on the camera page; the
// service's dispatch, the restore after a reconnection, the library's calls
// and the core's check all walk this table. Free of Qt and of the protocol's
// generated code, so the core, the library and the plugins all include it.

#include "framework/PluginMessages.h"

#include <cstdint>

// The status texts below are interface texts: lupdate finds them by this
// macro, which only marks them where Qt is absent.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(scope, x) x
#endif

// How a value travels on the wire and to the camera.
enum class ParamType
{
    U32,
    F32,
    I32,
};

// One value of a camera parameter, typed as its row says.
struct ParamNumber
{
    ParamType type = ParamType::I32;
    uint32_t u32 = 0;
    float f32 = 0.0f;
    int32_t i32 = 0;

    static ParamNumber ofU32(uint32_t n)
    {
        ParamNumber v;
        v.type = ParamType::U32;
        v.u32 = n;
        return v;
    }
    static ParamNumber ofF32(float f)
    {
        ParamNumber v;
        v.type = ParamType::F32;
        v.f32 = f;
        return v;
    }
    static ParamNumber ofI32(int32_t n)
    {
        ParamNumber v;
        v.type = ParamType::I32;
        v.i32 = n;
        return v;
    }
    // The value as a double, whatever its type (for bounds and logs).
    double number() const
    {
        switch (type) {
        case ParamType::U32: return double(u32);
        case ParamType::F32: return double(f32);
        case ParamType::I32: return double(i32);
        }
        return 0.0;
    }
};

struct CameraParam
{
    // CameraParamIndex: the service's own address of the parameter.
    int nIndex;
    // kelvora.core.Param of the wire protocol.
    int nProtoParam;
    ParamType type;
    // The unit of the value ("" for a choice, or where the camera has its own).
    const char* pUnit;
    // The English name in logs and in the core's reasons.
    const char* pName;
    // The CameraRanges fields that bound the value; null for a row with fixed bounds.
    const char* pRangeMin;
    const char* pRangeMax;
    // Bounds of a row without range fields.
    double dFixedMin;
    double dFixedMax;
    // Bus ids of the set and the get command; 0 where there is none.
    int nSetMsg;
    int nGetMsg;
    // Status texts of the set and the get (the outcome is the status's success flag).
    const char* pSetText;
    const char* pGetText;
    // The get's reply goes out before its status text (the status first otherwise).
    bool bReplyFirst;
    // For a choice: what its lowest and highest value mean, in the core's reasons.
    const char* pMinLabel;
    const char* pMaxLabel;
};

// Proto numbers (kelvora.core.Param) of the rows; the core's generated enum agrees.
enum CameraProtoParam : int
{
    PROTO_PARAM_EXPOSURE = 1,
    PROTO_PARAM_GAIN = 2,
    PROTO_PARAM_TRIGGER_GAP = 3,
    PROTO_PARAM_TRIGGER_MODE = 4,
    PROTO_PARAM_DEBOUNCE = 5,
    PROTO_PARAM_TRIGGER_TYPE = 6,
};

// In the order a reconnection puts them back: the trigger mode before the trigger
// interval and the edge, which apply to the mode in force.
inline constexpr CameraParam kCameraParams[] = {
    {PARAM_EXPOSURE, PROTO_PARAM_EXPOSURE, ParamType::U32, "us", "exposure", "exposure_min", "exposure_max",
     0, 0, MSG_SET_EXPOSURE, MSG_GET_EXPOSURE, QT_TRANSLATE_NOOP("Service", "设置曝光"),
     QT_TRANSLATE_NOOP("Service", "获取曝光"), false, nullptr, nullptr},
    // Gain is in the camera's own unit: dB on most cameras, raw steps on others.
    {PARAM_GAIN, PROTO_PARAM_GAIN, ParamType::F32, "", "gain", "gain_min", "gain_max", 0, 0, MSG_SET_GAIN,
     MSG_GET_GAIN, QT_TRANSLATE_NOOP("Service", "设置增益"), QT_TRANSLATE_NOOP("Service", "获取增益"), false,
     nullptr, nullptr},
    {PARAM_DEBOUNCE, PROTO_PARAM_DEBOUNCE, ParamType::I32, "ms", "debounce", "debounce_min", "debounce_max",
     0, 0, MSG_SET_DEBOUNCE, MSG_GET_DEBOUNCE, QT_TRANSLATE_NOOP("Service", "设置去抖时间"),
     QT_TRANSLATE_NOOP("Service", "获取去抖时间"), false, nullptr, nullptr},
    // The two modes there are; a camera that cannot take one (no trigger line) says
    // so itself. The ranges' trigger mode pair only informs.
    {PARAM_TRIGGER_MODE, PROTO_PARAM_TRIGGER_MODE, ParamType::I32, "", "trigger mode", nullptr, nullptr, 0, 1,
     MSG_SET_TRIGGER_MODE, MSG_GET_TRIGGER_MODE, QT_TRANSLATE_NOOP("Service", "设置触发模式"),
     QT_TRANSLATE_NOOP("Service", "获取触发模式"), true, "external", "internal"},
    {PARAM_TRIGGER_GAP, PROTO_PARAM_TRIGGER_GAP, ParamType::F32, "ms", "trigger gap", "trigger_gap_min",
     "trigger_gap_max", 0, 0, MSG_SET_TRIGGER_GAP, 0, QT_TRANSLATE_NOOP("Service", "设置Gap"), nullptr, false,
     nullptr, nullptr},
    {PARAM_TRIGGER_TYPE, PROTO_PARAM_TRIGGER_TYPE, ParamType::I32, "", "trigger type", nullptr, nullptr, 0, 1,
     MSG_SET_TRIGGER_TYPE, MSG_GET_TRIGGER_TYPE, QT_TRANSLATE_NOOP("Service", "设置触发类型"),
     QT_TRANSLATE_NOOP("Service", "获取触发类型"), false, "rising edge", "falling edge"},
};

namespace camera_params {

// The row of a CameraParamIndex, a proto number or a bus id; null when none has it.
inline const CameraParam* byIndex(int nIndex)
{
    for (const CameraParam& row : kCameraParams)
        if (row.nIndex == nIndex)
            return &row;
    return nullptr;
}

inline const CameraParam* byProto(int nProtoParam)
{
    for (const CameraParam& row : kCameraParams)
        if (row.nProtoParam == nProtoParam)
            return &row;
    return nullptr;
}

// bSet: whether the id is the row's set command (else its get).
inline const CameraParam* byMessage(int nMsgId, bool* pSet)
{
    for (const CameraParam& row : kCameraParams) {
        if (nMsgId != 0 && (row.nSetMsg == nMsgId || row.nGetMsg == nMsgId)) {
            if (pSet)
                *pSet = row.nSetMsg == nMsgId;
            return &row;
        }
    }
    return nullptr;
}

} // namespace camera_params
