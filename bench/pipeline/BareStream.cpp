#include "BareStream.h"

#include "server/FrameStamp.h"
#include "vision_core.grpc.pb.h"

#include <grpcpp/grpcpp.h>

#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

void command(kelvora::core::VisionCore::Stub& stub, kelvora::core::CommandKind kind)
{
    grpc::ClientContext context;
    context.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(2));
    kelvora::core::CommandRequest request;
    request.set_kind(kind);
    kelvora::core::Empty reply;
    stub.Command(&context, request, &reply);
}

} // namespace

BareRate readBareStream(const std::string& strEndpoint, double dWarmSeconds, double dSeconds,
                        const std::function<void()>& onMeasure)
{
    grpc::ChannelArguments args;
    args.SetMaxReceiveMessageSize(64 * 1024 * 1024);
    auto pStub = kelvora::core::VisionCore::NewStub(
        grpc::CreateCustomChannel(strEndpoint, grpc::InsecureChannelCredentials(), args));
    grpc::ClientContext context;
    auto pReader = pStub->SubscribeFrames(&context, kelvora::core::SubscribeRequest());
    // The core sends the initial metadata once the reader is subscribed.
    pReader->WaitForInitialMetadata();
    command(*pStub, kelvora::core::COMMAND_START_VIDEO);

    BareRate rate;
    kelvora::core::Frame frame;
    const auto warmEnd = Clock::now()
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(dWarmSeconds));
    while (Clock::now() < warmEnd && pReader->Read(&frame)) {
    }
    if (onMeasure)
        onMeasure();
    const auto start = Clock::now();
    const auto end = start
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(dSeconds));
    Clock::time_point last = start;
    while (last < end && pReader->Read(&frame)) {
        const int64_t nNow = FrameStamp::now();
        last = Clock::now();
        ++rate.nFrames;
        const int nChannels = frame.type() == kelvora::core::PIXEL_GRAY ? 1 : 3;
        unsigned char values[FrameStamp::kPixels] = {};
        const auto* pData = reinterpret_cast<const unsigned char*>(frame.data().data());
        if (int(frame.data().size()) >= FrameStamp::kPixels * nChannels) {
            for (int x = 0; x < FrameStamp::kPixels; ++x)
                values[x] = pData[x * nChannels];
            int64_t nSent = 0;
            if (FrameStamp::read(values, &nSent))
                rate.latenciesMs << (nNow - nSent) / 1e6;
        }
    }
    if (onMeasure)
        onMeasure();
    command(*pStub, kelvora::core::COMMAND_STOP_VIDEO);
    context.TryCancel();
    pReader->Finish();
    const double dElapsed = std::chrono::duration<double>(last - start).count();
    rate.dFps = dElapsed > 0 ? rate.nFrames / dElapsed : 0;
    return rate;
}
