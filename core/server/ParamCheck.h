#pragma once

#include <grpcpp/support/status.h>

#include "corelink/CameraParamTable.h"
#include "vision_core.pb.h"

// The core's one check of a camera setting, before any backend sees it: a known
// parameter, a value of its type, inside the bounds its table row names in the
// camera's ranges (or the row's own). A refusal is INVALID_ARGUMENT with a reason
// the operator can act on; the camera keeps its value.
class ParamCheck
{
public:
    // The row's bounds in these ranges; false when a range field it names does
    // not exist (a row the protocol does not carry).
    static bool bounds(const CameraParam& param, const kelvora::core::CameraRanges& ranges, double* pMin,
                       double* pMax);
    static grpc::Status check(const kelvora::core::ParamValue& value,
                              const kelvora::core::CameraRanges& ranges);
};
