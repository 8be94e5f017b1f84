#pragma once

#include <memory>

#include "server/CameraBackend.h"
#include "SimCameraSettings.h"
#include "server/CoreOptions.h"

class Acquisition;
class FrameFactory;

// The simulated camera: the synthetic scene, or the images of a folder.
class SimCamera final : public CameraBackend
{
public:
    explicit SimCamera(const CoreOptions& options);
    ~SimCamera() override;

    bool start(FrameBroadcast& frames, EventBroadcast& events, QString* pError) override;
    void stop() override;
    std::string describe() const override;

    grpc::Status ranges(kelvora::core::CameraRanges* pRanges) override;
    grpc::Status setParam(const kelvora::core::ParamValue& value) override;
    grpc::Status getParam(kelvora::core::Param param, kelvora::core::ParamValue* pValue) override;
    grpc::Status command(kelvora::core::CommandKind kind) override;

private:
    CoreOptions m_options;
    SimCameraSettings m_settings;
    std::unique_ptr<FrameFactory> m_pFactory;
    std::unique_ptr<Acquisition> m_pAcquisition;
};
