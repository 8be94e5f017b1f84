#include "VisionCoreService.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <QCoreApplication>

#include "CoreOptions.h"
#include "FrameStamp.h"
#include "ParamCheck.h"

namespace {
const char* paramName(kelvora::core::Param param)
{
    return kelvora::core::Param_Name(param).c_str();
}
void fillEntry(const CameraDescriptor& d, kelvora::core::CameraState state,
               kelvora::core::CameraEntry* pEntry)
{
    pEntry->set_id(d.strId);
    pEntry->set_vendor(d.strVendor);
    pEntry->set_model(d.strModel);
    pEntry->set_serial(d.strSerial);
    pEntry->set_name(d.strName);
    pEntry->set_interface(d.strInterface);
    pEntry->set_address(d.strAddress);
    pEntry->set_state(state);
}
} // namespace

VisionCoreService::VisionCoreService(CameraRegistry& cameras, FrameBroadcast& frames, EventBroadcast& events,
                                     bool bStampTime)
    : m_cameras(cameras)
    , m_frames(frames)
    , m_events(events)
    , m_bStampTime(bStampTime)
{
}

std::string VisionCoreService::clientOf(const grpc::ServerContext* pContext)
{
    const auto& metadata = pContext->client_metadata();
    const auto it = metadata.find("kelvora-client");
    if (it != metadata.end() && !it->second.empty())
        return std::string(it->second.data(), it->second.size());
    return pContext->peer();
}

grpc::Status VisionCoreService::Ping(grpc::ServerContext*, const kelvora::core::PingRequest*,
                                     kelvora::core::PingReply* pReply)
{
    // The program's own name: a station's log then tells the real core from the simulator.
    const QString qsName = QCoreApplication::applicationName();
    pReply->set_core(qsName.isEmpty() ? std::string("vision-core") : qsName.toStdString());
    // 2: cameras listed, opened and named in every call.
    pReply->set_protocol(2);
    return grpc::Status::OK;
}

grpc::Status VisionCoreService::ListCameras(grpc::ServerContext* pContext,
                                            const kelvora::core::ListCamerasRequest* pRequest,
                                            kelvora::core::CameraList* pReply)
{
    // Discovery waits about a second by itself; past that the list as known is answered.
    const auto cameras = m_cameras.list(clientOf(pContext), pRequest->refresh(),
                                        std::chrono::milliseconds(2500));
    for (const auto& listed : cameras) {
        kelvora::core::CameraEntry* pEntry = pReply->add_cameras();
        fillEntry(listed.descriptor, kelvora::core::CameraState(listed.nState), pEntry);
    }
    return grpc::Status::OK;
}

grpc::Status VisionCoreService::OpenCamera(grpc::ServerContext* pContext,
                                           const kelvora::core::CameraRequest* pRequest,
                                           kelvora::core::CameraEntry* pReply)
{
    CameraDescriptor d;
    const grpc::Status status = m_cameras.open(clientOf(pContext), pRequest->camera(), &d);
    if (!status.ok())
        return status;
    fillEntry(d, kelvora::core::CAMERA_OPEN, pReply);
    // The client refuses the camera's frames beyond the size told here.
    CameraBackend* pCamera = nullptr;
    kelvora::core::CameraRanges ranges;
    if (m_cameras.resolve(clientOf(pContext), d.strId, &pCamera, nullptr).ok()
        && pCamera->ranges(&ranges).ok())
        pReply->set_frame_bytes(ranges.frame_bytes());
    return status;
}

grpc::Status VisionCoreService::CloseCamera(grpc::ServerContext* pContext,
                                            const kelvora::core::CameraRequest* pRequest,
                                            kelvora::core::Empty*)
{
    return m_cameras.close(clientOf(pContext), pRequest->camera());
}

grpc::Status VisionCoreService::GetCameraInfo(grpc::ServerContext* pContext,
                                              const kelvora::core::CameraRequest* pRequest,
                                              kelvora::core::CameraRanges* pReply)
{
    CameraBackend* pCamera = nullptr;
    const grpc::Status status = m_cameras.resolve(clientOf(pContext), pRequest->camera(), &pCamera, nullptr);
    if (!status.ok())
        return status;
    return pCamera->ranges(pReply);
}

grpc::Status VisionCoreService::SetParam(grpc::ServerContext* pContext,
                                         const kelvora::core::ParamValue* pRequest, kelvora::core::Empty*)
{
    CameraBackend* pCamera = nullptr;
    std::string strId;
    grpc::Status status = m_cameras.resolve(clientOf(pContext), pRequest->camera(), &pCamera, &strId);
    if (!status.ok())
        return status;
    // Checked here once, whatever the backend: a feature the camera lacks, then the range.
    kelvora::core::CameraRanges ranges;
    status = pCamera->ranges(&ranges);
    if (!status.ok())
        return status;
    status = pCamera->lacks(pRequest->param());
    if (!status.ok())
        return status;
    status = ParamCheck::check(*pRequest, ranges);
    if (!status.ok())
        return status;
    status = pCamera->setParam(*pRequest);
    if (!status.ok())
        return status;
    if (EventBroadcast* pEvents = m_cameras.events(strId))
        publishMessage(*pEvents, 0,
                       std::string("{\"param\":\"") + paramName(pRequest->param()) + "\",\"changed\":true}");
    return grpc::Status::OK;
}

grpc::Status VisionCoreService::GetParam(grpc::ServerContext* pContext,
                                         const kelvora::core::ParamRequest* pRequest,
                                         kelvora::core::ParamValue* pReply)
{
    CameraBackend* pCamera = nullptr;
    grpc::Status status = m_cameras.resolve(clientOf(pContext), pRequest->camera(), &pCamera, nullptr);
    if (!status.ok())
        return status;
    if (!camera_params::byProto(int(pRequest->param())))
        return grpc::Status(grpc::StatusCode::INVALID_ARGUMENT, "unknown parameter");
    status = pCamera->lacks(pRequest->param());
    if (!status.ok())
        return status;
    return pCamera->getParam(pRequest->param(), pReply);
}

grpc::Status VisionCoreService::Command(grpc::ServerContext* pContext,
                                        const kelvora::core::CommandRequest* pRequest, kelvora::core::Empty*)
{
    CameraBackend* pCamera = nullptr;
    const grpc::Status status = m_cameras.resolve(clientOf(pContext), pRequest->camera(), &pCamera, nullptr);
    if (!status.ok())
        return status;
    return pCamera->command(pRequest->kind());
}

grpc::Status VisionCoreService::NotifyLoadUI(grpc::ServerContext*,
                                             const kelvora::core::LoadUIRequest* pRequest,
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

// Stamps go into a copy: the published frame is shared by every reader. The
// count of frames left out is stamped only when it grew, so a reader that
// keeps up costs no copy.
bool VisionCoreService::writeItem(const std::string& strClient,
                                  grpc::ServerWriter<kelvora::core::Frame>* pWriter,
                                  const kelvora::core::Frame& frame, std::uint64_t nSkipped, Told* pTold)
{
    // The link carries frames up to the size of the largest camera the client
    // streams (at most the cap): a larger one is left out and the stream goes
    // on; one over the cap would end it.
    const std::uint64_t nLimit = m_cameras.frameLimit(strClient, std::uint64_t(CoreOptions::kMaxFrameBytes));
    if (std::uint64_t(frame.data().size()) > nLimit) {
        refuseOversized(frame, nLimit);
        return true;
    }
    std::uint64_t& nTold = (*pTold)[frame.camera()];
    const bool bTell = nSkipped > nTold;
    if (!m_bStampTime && !bTell)
        return pWriter->Write(frame);
    kelvora::core::Frame stamped(frame);
    if (bTell)
        stamped.set_skipped(nSkipped);
    if (m_bStampTime) {
        const int nChannels = stamped.type() == kelvora::core::PIXEL_GRAY ? 1 : 3;
        FrameStamp::write(reinterpret_cast<unsigned char*>(stamped.mutable_data()->data()), stamped.width(),
                          nChannels, FrameStamp::now());
    }
    if (!pWriter->Write(stamped))
        return false;
    nTold = std::max(nTold, nSkipped);
    return true;
}

// Said at most once a second, however many frames and readers there are.
void VisionCoreService::refuseOversized(const kelvora::core::Frame& frame, std::uint64_t nLimit)
{
    const int64_t nNow = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now().time_since_epoch())
                             .count();
    int64_t nLast = m_nLastRefusalMs.load();
    if (nLast != 0 && nNow - nLast < 1000)
        return;
    if (!m_nLastRefusalMs.compare_exchange_strong(nLast, nNow))
        return;
    const std::string strText = "frame " + std::to_string(frame.identifier()) + " of "
        + std::to_string(frame.width()) + "x" + std::to_string(frame.height()) + " ("
        + std::to_string(frame.data().size()) + " bytes) exceeds the link's limit of "
        + std::to_string(nLimit)
        + (nLimit < std::uint64_t(CoreOptions::kMaxFrameBytes)
               ? " bytes (the largest frame of the cameras open) and was not sent"
               : " bytes and was not sent; choose a smaller image or a grey pixel format");
    std::fprintf(stderr, "vision-core: %s\n", strText.c_str());
    // On the camera's page where the camera is known.
    EventBroadcast* pEvents = frame.camera().empty() ? nullptr : m_cameras.events(frame.camera());
    publishMessage(pEvents != nullptr ? *pEvents : m_events, 2, "{\"error\":\"" + strText + "\"}");
}

template <typename T>
grpc::Status VisionCoreService::forward(grpc::ServerContext* pContext, Broadcast<T>& broadcast,
                                        grpc::ServerWriter<T>* pWriter)
{
    const std::string strClient = clientOf(pContext);
    // Each client sees the cameras it holds, and what is about no camera.
    const auto pSubscription = broadcast.subscribe(
        [this, strClient](const std::string& strCamera) { return m_cameras.isHeldBy(strCamera, strClient); });
    m_cameras.streamStarted(strClient);
    // Tells the client that it will see everything published from now on.
    pContext->AddInitialMetadata("kelvora-subscribed", "1");
    pWriter->SendInitialMetadata();
    Told told;
    // Wake up now and then to notice a client that went away while idle.
    while (!pContext->IsCancelled() && !broadcast.isClosed()) {
        std::uint64_t nDropped = 0;
        const auto pItem = pSubscription->pop(std::chrono::milliseconds(100), &nDropped);
        if (pItem && !writeItem(strClient, pWriter, *pItem, nDropped, &told))
            break;
    }
    broadcast.unsubscribe(pSubscription);
    m_cameras.streamEnded(strClient);
    return grpc::Status::OK;
}
