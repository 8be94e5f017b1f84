// corelink-grab: takes one photo through corelink_client and writes it as BMP.
// Usage: corelink-grab [host:port] [file.bmp] [ca.pem [cert.pem key.pem]]

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
    const char* const tlsKeys[] = {"ca", "cert", "key"};
    for (int i = 0; i < 3 && argc > 3 + i; ++i)
        settings["rpc"][tlsKeys[i]] = argv[3 + i];
    const int nInit = pComm->init(settings);
    if (nInit != 0) {
        std::fprintf(stderr, "no vision core at %s (%d)\n", pEndpoint, nInit);
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
                static_cast<unsigned long long>(pFrame->getIdentifier()), pFrame->width(), pFrame->height(),
                pFrame->channels(), pPath, bWritten ? "written" : "NOT written");
    lock.unlock();
    pComm->uninit();
    return bWritten ? 0 : 1;
}
