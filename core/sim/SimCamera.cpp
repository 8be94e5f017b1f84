#include "SimCamera.h"

#include "Acquisition.h"
#include "FrameFactory.h"

SimCamera::SimCamera(const CoreOptions& options)
    : m_options(options)
    , m_settings(options.nWidth, options.nHeight)
    , m_pFactory(std::make_unique<FrameFactory>(options, m_settings))
{
}

SimCamera::~SimCamera()
{
    stop();
}

bool SimCamera::start(FrameBroadcast& frames, EventBroadcast& events, QString* pError)
{
    if (!m_pFactory->prepare(pError))
        return false;
    m_settings.setFrameBytes(m_pFactory->largestFrameBytes());
    m_pAcquisition = std::make_unique<Acquisition>(*m_pFactory, m_settings, frames, events,
                                                   m_options.dVideoFps, m_options.nResultEvery);
    return true;
}

void SimCamera::stop()
{
    if (m_pAcquisition)
        m_pAcquisition->stop();
}

std::string SimCamera::describe() const
{
    std::string strText = std::to_string(m_options.nWidth) + "x" + std::to_string(m_options.nHeight) + " "
        + (m_options.bGrey ? "grey" : "bgr");
    if (!m_options.strFolder.isEmpty())
        strText += ", images of " + m_options.strFolder.toStdString();
    return strText;
}

grpc::Status SimCamera::ranges(kelvora::core::CameraRanges* pRanges)
{
    *pRanges = m_settings.ranges();
    return grpc::Status::OK;
}

grpc::Status SimCamera::setParam(const kelvora::core::ParamValue& value)
{
    m_settings.set(value);
    return grpc::Status::OK;
}

grpc::Status SimCamera::getParam(kelvora::core::Param param, kelvora::core::ParamValue* pValue)
{
    if (!m_settings.get(param, pValue))
        return grpc::Status(grpc::StatusCode::INVALID_ARGUMENT, "unknown parameter");
    return grpc::Status::OK;
}

grpc::Status SimCamera::command(kelvora::core::CommandKind kind)
{
    if (!m_pAcquisition)
        return grpc::Status(grpc::StatusCode::UNAVAILABLE, "camera not started");
    switch (kind) {
    case kelvora::core::COMMAND_TAKE_PHOTO: m_pAcquisition->takePhoto(); break;
    case kelvora::core::COMMAND_START_CONTINUOUS: m_pAcquisition->setMode(Acquisition::Continuous); break;
    case kelvora::core::COMMAND_START_VIDEO: m_pAcquisition->setMode(Acquisition::Video); break;
    case kelvora::core::COMMAND_STOP_CONTINUOUS:
    case kelvora::core::COMMAND_STOP_VIDEO: m_pAcquisition->setMode(Acquisition::Idle); break;
    default: return grpc::Status(grpc::StatusCode::INVALID_ARGUMENT, "unknown command");
    }
    return grpc::Status::OK;
}
