#include "FrameStreamWorker.h"

#include <cstdint>
#include <exception>
#include <map>
#include <string>

#include <grpcpp/generic/generic_stub.h>
#include <spdlog/spdlog.h>

#include "CoreSession.h"
#include "FrameDecoder.h"
#include "common/vexa_image.h"

namespace {

const char* const kMethod = "/kelvora.core.VisionCore/SubscribeFrames";

// Waits for the one operation in flight on the queue.
bool await(grpc::CompletionQueue& queue)
{
    void* pTag = nullptr;
    bool bOk = false;
    return queue.Next(&pTag, &bOk) && bOk;
}

} // namespace

FrameStreamWorker::FrameStreamWorker(std::shared_ptr<CoreSession> pSession)
    : StreamWorker(std::move(pSession), "frame")
{
}

grpc::Status FrameStreamWorker::readStream(grpc::ClientContext& context)
{
    const auto pChannel = m_pSession->channel();
    if (!pChannel)
        return grpc::Status(grpc::StatusCode::FAILED_PRECONDITION, "not connected");

    kelvora::core::SubscribeRequest request;
    request.set_client("corelink_client");
    grpc::ByteBuffer requestBuffer;
    bool bOwn = false;
    grpc::Status status = grpc::SerializationTraits<kelvora::core::SubscribeRequest>::Serialize(
        request, &requestBuffer, &bOwn);
    if (!status.ok())
        return status;

    grpc::GenericStub stub(pChannel);
    grpc::CompletionQueue queue;
    void* const pTag = reinterpret_cast<void*>(1);
    auto pCall = stub.PrepareCall(&context, kMethod, &queue);
    pCall->StartCall(pTag);
    bool bOpen = await(queue);
    if (bOpen) {
        pCall->WriteLast(requestBuffer, grpc::WriteOptions(), pTag);
        bOpen = await(queue);
    }
    // The core sends its headers once the subscription is registered.
    if (bOpen) {
        pCall->ReadInitialMetadata(pTag);
        bOpen = await(queue);
        if (bOpen)
            markSubscribed();
    }
    std::string strError;
    // The core's count of frames left out of this stream, per camera: it starts
    // again with every subscription.
    std::map<std::string, std::uint64_t> skipped;
    while (bOpen) {
        grpc::ByteBuffer message;
        pCall->Read(&message, pTag);
        if (!await(queue))
            break;
        markDelivering();
        // Nobody to hand it to yet: skip the copy.
        if (!m_pSession->hasFrameCallback())
            continue;
        // Nothing may unwind past the completion queue while a call is on it.
        std::shared_ptr<VexaImage> pImage;
        std::string strCamera;
        std::uint64_t nSkipped = 0;
        try {
            pImage = decodeFrame(message, &strError, &strCamera, &nSkipped);
        } catch (const std::exception& e) {
            strError = e.what();
        }
        std::uint64_t& nSeen = skipped[strCamera];
        if (nSkipped > nSeen) {
            m_pSession->noteSkipped(strCamera, nSkipped - nSeen);
            nSeen = nSkipped;
        }
        if (!pImage) {
            m_pSession->rejectFrame(strError);
            continue;
        }
        // A frame larger than its camera told is refused like a malformed one;
        // the stream goes on.
        const std::uint64_t nBytes = std::uint64_t(pImage->widthStep()) * std::uint64_t(pImage->height());
        const std::uint64_t nAnnounced = m_pSession->announcedFrameBytes(strCamera);
        if (nAnnounced != 0 && nBytes > nAnnounced) {
            m_pSession->rejectFrame("frame " + std::to_string(pImage->getIdentifier()) + " of camera \""
                                    + strCamera + "\" holds " + std::to_string(nBytes)
                                    + " bytes, more than the " + std::to_string(nAnnounced)
                                    + " bytes the camera announced");
            continue;
        }
        m_pSession->deliverFrame(strCamera, pImage);
    }
    pCall->Finish(&status, pTag);
    await(queue);
    pCall.reset();
    queue.Shutdown();
    void* pIgnored = nullptr;
    bool bIgnored = false;
    while (queue.Next(&pIgnored, &bIgnored)) {
    }
    return status;
}
