// Frame throughput of corelink_client against a bare gRPC stream of the same
// frames from the same in-process core, in the same run. The bare reader is
// the ceiling: it only parses each message, as any gRPC client must.
//
// Usage: corelink_frame_bench [seconds per run, default 2]

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <vector>

#include <grpcpp/support/proto_buffer_reader.h>

#include <QCoreApplication>
#include <grpcpp/grpcpp.h>

#include "FrameDecoder.h"
#include "LinkRate.h"
#include "server/CoreServer.h"
#include "sim/SimCamera.h"
#include "common/vexa_image.h"
#include "corelink/CCommFactoryRPC.h"
#include "vision_core.grpc.pb.h"

namespace {

using Clock = std::chrono::steady_clock;

std::shared_ptr<grpc::Channel> bareChannel(const std::string& strEndpoint)
{
    grpc::ChannelArguments args;
    args.SetMaxReceiveMessageSize(64 * 1024 * 1024);
    return grpc::CreateCustomChannel(strEndpoint, grpc::InsecureChannelCredentials(), args);
}

Rate measureBare(const std::string& strEndpoint, double dSeconds)
{
    auto pStub = kelvora::core::VisionCore::NewStub(bareChannel(strEndpoint));
    grpc::ClientContext context;
    auto pReader = pStub->SubscribeFrames(&context, kelvora::core::SubscribeRequest());
    kelvora::core::Frame frame;
    // Warm-up: the stream and the core's queue get going.
    const auto warmEnd = Clock::now() + std::chrono::milliseconds(300);
    while (Clock::now() < warmEnd && pReader->Read(&frame)) {
    }
    uint64_t nFrames = 0;
    uint64_t nBytes = 0;
    const double dCpu0 = cpuMs();
    const auto start = Clock::now();
    const auto end = start
        + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(dSeconds));
    Clock::time_point last = start;
    while (last < end && pReader->Read(&frame)) {
        ++nFrames;
        nBytes += frame.data().size();
        last = Clock::now();
    }
    const double dCpu = cpuMs() - dCpu0;
    context.TryCancel();
    pReader->Finish();
    return rateOf(nFrames, nBytes, last - start, dCpu);
}

// The client-side work per frame alone, without the transport: parsing the
// received message as a plain protobuf (ceiling) against decoding it into an
// image, from the same message cut into 64 KiB slices as the transport does.
void decodeCase(const char* pName, int nWidth, int nHeight, bool bGrey)
{
    kelvora::core::Frame frame;
    frame.set_identifier(1);
    frame.set_width(nWidth);
    frame.set_height(nHeight);
    frame.set_type(bGrey ? kelvora::core::PIXEL_GRAY : kelvora::core::PIXEL_BGR);
    frame.set_width_step(nWidth * (bGrey ? 1 : 3));
    frame.mutable_data()->assign(size_t(frame.width_step()) * size_t(nHeight), '\x5a');
    const std::string strBytes = frame.SerializeAsString();
    std::vector<grpc::Slice> slices;
    for (size_t nPos = 0; nPos < strBytes.size(); nPos += 65536)
        slices.emplace_back(strBytes.substr(nPos, 65536));
    grpc::ByteBuffer message(slices.data(), slices.size());

    const int nRepeats = 100;
    double dBest[2] = {1e9, 1e9};
    for (int nRound = 0; nRound < 3; ++nRound) {
        auto start = Clock::now();
        for (int i = 0; i < nRepeats; ++i) {
            kelvora::core::Frame parsed;
            grpc::ProtoBufferReader reader(&message);
            if (!parsed.ParseFromZeroCopyStream(&reader))
                std::exit(1);
        }
        dBest[0] = std::min(
            dBest[0], std::chrono::duration<double, std::milli>(Clock::now() - start).count() / nRepeats);
        start = Clock::now();
        for (int i = 0; i < nRepeats; ++i) {
            std::string strError;
            if (!decodeFrame(message, &strError))
                std::exit(1);
        }
        dBest[1] = std::min(
            dBest[1], std::chrono::duration<double, std::milli>(Clock::now() - start).count() / nRepeats);
    }
    std::printf("%-18s per frame: protobuf parse %.3f ms | corelink decode %.3f ms | ratio %.2f\n", pName,
                dBest[0], dBest[1], dBest[0] / dBest[1]);
    std::fflush(stdout);
}

void runCase(const char* pName, int nWidth, int nHeight, bool bGrey, double dSeconds)
{
    CoreOptions options;
    options.strListen = QStringLiteral("127.0.0.1:0");
    options.nWidth = nWidth;
    options.nHeight = nHeight;
    options.bGrey = bGrey;
    options.dVideoFps = 0;
    options.nResultEvery = 0;
    CoreServer server(options, std::make_unique<SimCamera>(options));
    QString strError;
    if (!server.start(&strError)) {
        std::fprintf(stderr, "core: %s\n", qPrintable(strError));
        std::exit(1);
    }
    const std::string strEndpoint = "127.0.0.1:" + std::to_string(server.port());
    {
        auto pStub = kelvora::core::VisionCore::NewStub(bareChannel(strEndpoint));
        grpc::ClientContext context;
        kelvora::core::CommandRequest request;
        request.set_kind(kelvora::core::COMMAND_START_VIDEO);
        kelvora::core::Empty reply;
        pStub->Command(&context, request, &reply);
    }

    // Alternate the two readers so drift of the shared machine hits both;
    // each round's pair gives one ratio, and the median of those is reported.
    std::vector<double> ratios;
    Rate bestBare;
    Rate bestLink;
    for (int nRound = 0; nRound < 3; ++nRound) {
        const Rate bare = measureBare(strEndpoint, dSeconds);
        Json::Value settings;
        settings["rpc"]["ip"] = strEndpoint;
        const Rate link = measureCorelink(settings, dSeconds, false);
        std::printf("  %-16s round %d: bare %6.1f frames/s %7.1f MB/s %5.2f cpu-ms/frame | "
                    "corelink %6.1f frames/s %7.1f MB/s %5.2f cpu-ms/frame\n",
                    pName, nRound + 1, bare.dFps, bare.dMBps, bare.dCpuMsPerFrame, link.dFps, link.dMBps,
                    link.dCpuMsPerFrame);
        ratios.push_back(link.dFps / bare.dFps);
        if (bare.dFps > bestBare.dFps)
            bestBare = bare;
        if (link.dFps > bestLink.dFps)
            bestLink = link;
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("%-16s best: bare %6.1f frames/s %7.1f MB/s | corelink %6.1f frames/s %7.1f MB/s | "
                "ratio of bests %.2f, median round ratio %.2f\n",
                pName, bestBare.dFps, bestBare.dMBps, bestLink.dFps, bestLink.dMBps,
                bestLink.dFps / bestBare.dFps, ratios[ratios.size() / 2]);
    std::fflush(stdout);
    server.stop();
    server.wait();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const double dSeconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    decodeCase("1920x1080 BGR", 1920, 1080, false);
    decodeCase("2448x2048 grey", 2448, 2048, true);
    runCase("1920x1080 BGR", 1920, 1080, false, dSeconds > 0 ? dSeconds : 2.0);
    runCase("2448x2048 grey", 2448, 2048, true, dSeconds > 0 ? dSeconds : 2.0);
    return 0;
}
