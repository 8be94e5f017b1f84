#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include <grpcpp/grpcpp.h>

#include "CameraBackend.h"
#include "CameraRegistry.h"
#include "vision_core.grpc.pb.h"

// The core's RPC interface over its cameras.
class VisionCoreService final : public kelvora::core::VisionCore::Service
{
public:
    VisionCoreService(CameraRegistry& cameras, FrameBroadcast& frames, EventBroadcast& events,
                      bool bStampTime = false);

    // Who is calling: the client's own token, else its connection.
    static std::string clientOf(const grpc::ServerContext* pContext);

    grpc::Status Ping(grpc::ServerContext* pContext, const kelvora::core::PingRequest* pRequest,
                      kelvora::core::PingReply* pReply) override;
    grpc::Status ListCameras(grpc::ServerContext* pContext, const kelvora::core::ListCamerasRequest* pRequest,
                             kelvora::core::CameraList* pReply) override;
    grpc::Status OpenCamera(grpc::ServerContext* pContext, const kelvora::core::CameraRequest* pRequest,
                            kelvora::core::CameraEntry* pReply) override;
    grpc::Status CloseCamera(grpc::ServerContext* pContext, const kelvora::core::CameraRequest* pRequest,
                             kelvora::core::Empty* pReply) override;
    grpc::Status GetCameraInfo(grpc::ServerContext* pContext, const kelvora::core::CameraRequest* pRequest,
                               kelvora::core::CameraRanges* pReply) override;
    grpc::Status SetParam(grpc::ServerContext* pContext, const kelvora::core::ParamValue* pRequest,
                          kelvora::core::Empty* pReply) override;
    grpc::Status GetParam(grpc::ServerContext* pContext, const kelvora::core::ParamRequest* pRequest,
                          kelvora::core::ParamValue* pReply) override;
    grpc::Status Command(grpc::ServerContext* pContext, const kelvora::core::CommandRequest* pRequest,
                         kelvora::core::Empty* pReply) override;
    grpc::Status NotifyLoadUI(grpc::ServerContext* pContext, const kelvora::core::LoadUIRequest* pRequest,
                              kelvora::core::LoadUIReply* pReply) override;
    grpc::Status SubscribeFrames(grpc::ServerContext* pContext,
                                 const kelvora::core::SubscribeRequest* pRequest,
                                 grpc::ServerWriter<kelvora::core::Frame>* pWriter) override;
    grpc::Status SubscribeEvents(grpc::ServerContext* pContext,
                                 const kelvora::core::SubscribeRequest* pRequest,
                                 grpc::ServerWriter<kelvora::core::Event>* pWriter) override;

private:
    // What one stream told its reader so far: the frames left out, per camera.
    using Told = std::map<std::string, std::uint64_t>;

    template <typename T>
    grpc::Status forward(grpc::ServerContext* pContext, Broadcast<T>& broadcast,
                         grpc::ServerWriter<T>* pWriter);
    bool writeItem(const std::string& strClient, grpc::ServerWriter<kelvora::core::Frame>* pWriter,
                   const kelvora::core::Frame& frame, std::uint64_t nSkipped, Told* pTold);
    void refuseOversized(const kelvora::core::Frame& frame, std::uint64_t nLimit);
    bool writeItem(const std::string&, grpc::ServerWriter<kelvora::core::Event>* pWriter,
                   const kelvora::core::Event& event, std::uint64_t, Told*)
    {
        return pWriter->Write(event);
    }

    CameraRegistry& m_cameras;
    FrameBroadcast& m_frames;
    EventBroadcast& m_events;
    const bool m_bStampTime;
    // Steady-clock milliseconds of the last word about an oversized frame.
    std::atomic<int64_t> m_nLastRefusalMs{0};
};
