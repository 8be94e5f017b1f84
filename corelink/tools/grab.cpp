// corelink-grab: takes one photo through corelink_client and writes it as BMP.
// Usage: corelink-grab [host:port] [file.bmp]

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include "common/vexa_image.h"
#include "corelink/CCommFactoryRPC.h"

int main(int argc, char* argv[])
{
    const char* pEndpoint = argc > 1 ? argv[1] : "127.0.0.1:20020";
    const char* pPath = argc > 2 ? argv[2] : "frame.bmp";

    auto pComm = CCommFactoryRPC::instance().create(1);
    Json::Value settings;
    settings["rpc"]["ip"] = pEndpoint;
    if (pComm->init(settings) != 0) {
        std::fprintf(stderr, "no vision core at %s\n", pEndpoint);
        return 1;
    }
    std::mutex mutex;
    std::condition_variable arrived;
    std::shared_ptr<VexaImage> pFrame;
    pComm->camera()->setFrameCallback([&](const std::shared_ptr<VexaImage>& pImage) {
        std::lock_guard<std::mutex> lock(mutex);
        pFrame = pImage;
        arrived.notify_all();
    });
    if (pComm->camera()->takePhoto() != 0)
        return 1;
    std::unique_lock<std::mutex> lock(mutex);
    if (!arrived.wait_for(lock, std::chrono::seconds(5), [&] { return pFrame != nullptr; })) {
        std::fprintf(stderr, "no frame within 5 s\n");
        return 1;
    }
    const bool bWritten = pFrame->writeToFileBMP(pPath);
    std::printf("frame %llu, %dx%d, %d channel(s) -> %s %s\n",
                static_cast<unsigned long long>(pFrame->getIdentifier()), pFrame->width(),
                pFrame->height(), pFrame->channels(), pPath, bWritten ? "written" : "NOT written");
    lock.unlock();
    pComm->uninit();
    return bWritten ? 0 : 1;
}
