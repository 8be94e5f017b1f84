#pragma once

#include <string>

#include <QString>
#include <grpcpp/support/status.h>

#include "Broadcast.h"
#include "vision_core.pb.h"

using FrameBroadcast = Broadcast<kelvora::core::Frame>;
using EventBroadcast = Broadcast<kelvora::core::Event>;

// One camera source of the core: the synthetic scene, an image folder or a
// GenICam camera. The RPC threads call in and expect a prompt answer; the
// backend publishes its frames and status messages on the broadcasts.
class CameraBackend
{
public:
    virtual ~CameraBackend() = default;

    // Opens the source; frames and messages flow into the broadcasts from now
    // on. False with a reason when the core cannot serve with it.
    virtual bool start(FrameBroadcast& frames, EventBroadcast& events, QString* pError) = 0;
    // Ends every thread of the source; called before the broadcasts close.
    // Idempotent.
    virtual void stop() = 0;
    // One line for the start-up banner.
    virtual std::string describe() const = 0;

    virtual grpc::Status ranges(kelvora::core::CameraRanges* pRanges) = 0;
    // Why this camera cannot take the parameter at all (a feature it lacks);
    // OK where it can. Asked before the range check.
    virtual grpc::Status lacks(kelvora::core::Param) { return grpc::Status::OK; }
    // The value is known to have the parameter's type and to lie inside the
    // camera's range (the server checked it against ranges()).
    virtual grpc::Status setParam(const kelvora::core::ParamValue& value) = 0;
    virtual grpc::Status getParam(kelvora::core::Param param, kelvora::core::ParamValue* pValue) = 0;
    virtual grpc::Status command(kelvora::core::CommandKind kind) = 0;
    // A client opened the camera, which was running already: what the client could
    // not hear before it subscribed (a standing error of the camera) is said again.
    // Any RPC thread.
    virtual void opened() {}
};

// A status message to every event subscriber.
void publishMessage(EventBroadcast& events, int nType, const std::string& strJson);
