#include "LinkRate.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include <sys/resource.h>

#include "common/vexa_image.h"
#include "corelink/CCommFactoryRPC.h"

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

Rate rateOf(uint64_t nFrames, uint64_t nBytes, std::chrono::steady_clock::duration elapsed, double dCpuMs)
{
    const double dSeconds = std::chrono::duration<double>(elapsed).count();
    return {nFrames / dSeconds, nBytes / dSeconds / 1e6, nFrames ? dCpuMs / double(nFrames) : 0.0};
}

Rate measureCorelink(const Json::Value& settings, double dSeconds, bool bStartVideo)
{
    auto pComm = CCommFactoryRPC::instance().create(1);
    const int nInit = pComm->init(settings);
    if (nInit != 0) {
        std::fprintf(stderr, "corelink_client could not connect to %s (%d)\n",
                     settings["rpc"]["ip"].asCString(), nInit);
        std::exit(1);
    }
    std::atomic<uint64_t> nFrames{0};
    std::atomic<uint64_t> nBytes{0};
    pComm->camera()->setFrameCallback([&](const std::shared_ptr<VexaImage>& pImage) {
        nBytes += uint64_t(pImage->widthStep()) * uint64_t(pImage->height());
        ++nFrames;
    });
    if (bStartVideo && pComm->camera()->startVideo() != 0) {
        std::fprintf(stderr, "the core did not start video\n");
        std::exit(1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const uint64_t nFrames0 = nFrames;
    const uint64_t nBytes0 = nBytes;
    const double dCpu0 = cpuMs();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(dSeconds));
    const uint64_t nFrames1 = nFrames;
    const uint64_t nBytes1 = nBytes;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const double dCpu = cpuMs() - dCpu0;
    if (bStartVideo)
        pComm->camera()->stopVideo();
    pComm->uninit();
    return rateOf(nFrames1 - nFrames0, nBytes1 - nBytes0, elapsed, dCpu);
}
