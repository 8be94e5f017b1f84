#include "VisionCoreService.h"

#include <chrono>

#include "FrameStamp.h"

namespace {
const char* paramName(kelvora::core::Param param)
{
    return kelvora::core::Param_Name(param).c_str();
}
} // namespace

VisionCoreService::VisionCoreService(CameraBackend& camera, FrameBroadcast& frames, EventBroadcast& events,
                                     bool bStampTime)
    : m_camera(camera)
    , m_frames(frames)
    , m_events(events)
    , m_bStampTime(bStampTime)
{
}

grpc::Status VisionCoreService::Ping(grpc::ServerContext*, const kelvora::core::PingRequest*,
                                     kelvora::core::PingReply* pReply)
{
    pReply->set_core("vision-core-sim");
    pReply->set_protocol(1);
    return grpc::Status::OK;
}

grpc::Status VisionCoreService::GetCameraInfo(grpc::ServerContext*, const kelvora::core::Empty*,
                                              kelvora::core::CameraRanges* pReply)
{
    return m_camera.ranges(pReply);
}

grpc::Status VisionCoreService::SetParam(grpc::ServerContext*, const kelvora::core::ParamValue* pRequest,
                                         kelvora::core::Empty*)
{
    const grpc::Status status = m_camera.setParam(*pRequest);
    if (!status.ok())
        return status;
    publishMessage(m_events, 0, std::string("{\"param\":\"") + paramName(pRequest->param())
                                     + "\",\"changed\":true}");
    return grpc::Status::OK;
}

grpc::Status VisionCoreService::GetParam(grpc::ServerContext*, const kelvora::core::ParamRequest* pRequest,
                                         kelvora::core::ParamValue* pReply)
{
    return m_camera.getParam(pRequest->param(), pReply);
}

grpc::Status VisionCoreService::Command(grpc::ServerContext*, const kelvora::core::CommandRequest* pRequest,
                                        kelvora::core::Empty*)
{
    return m_camera.command(pRequest->kind());
}

grpc::Status VisionCoreService::NotifyLoadUI(grpc::ServerContext*, const kelvora::core::LoadUIRequest* pRequest,
                                             kelvora::core::LoadUIReply* pReply)
{
    // The screen is there: answer with the state it reported.
    pReply->set_state(pRequest->state());
    return grpc::Status::OK;
}

grpc::Status VisionCoreService::SubscribeFrames(grpc::ServerContext* pContext,
                                                const kelvora::core::SubscribeRequest*,
                                                grpc::ServerWriter<kelvora::core::Frame>* pWriter)
{
    return forward(pContext, m_frames, pWriter);
}

grpc::Status VisionCoreService::SubscribeEvents(grpc::ServerContext* pContext,
                                                const kelvora::core::SubscribeRequest*,
                                                grpc::ServerWriter<kelvora::core::Event>* pWriter)
{
    return forward(pContext, m_events, pWriter);
}

// The stamp goes into a copy: the published frame is shared by every reader.
bool VisionCoreService::writeItem(grpc::ServerWriter<kelvora::core::Frame>* pWriter,
                                  const kelvora::core::Frame& frame)
{
    if (!m_bStampTime)
        return pWriter->Write(frame);
    kelvora::core::Frame stamped(frame);
    const int nChannels = stamped.type() == kelvora::core::PIXEL_GRAY ? 1 : 3;
    FrameStamp::write(reinterpret_cast<unsigned char*>(stamped.mutable_data()->data()), stamped.width(),
                      nChannels, FrameStamp::now());
    return pWriter->Write(stamped);
}

template <typename T>
grpc::Status VisionCoreService::forward(grpc::ServerContext* pContext, Broadcast<T>& broadcast,
                                        grpc::ServerWriter<T>* pWriter)
{
    const auto pSubscription = broadcast.subscribe();
    // Tells the client that it will see everything published from now on.
    pContext->AddInitialMetadata("kelvora-subscribed", "1");
    pWriter->SendInitialMetadata();
    // Wake up now and then to notice a client that went away while idle.
    while (!pContext->IsCancelled() && !broadcast.isClosed()) {
        const auto pItem = pSubscription->pop(std::chrono::milliseconds(100));
        if (pItem && !writeItem(pWriter, *pItem))
            break;
    }
    broadcast.unsubscribe(pSubscription);
    return grpc::Status::OK;
}
