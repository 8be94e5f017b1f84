// libFuzzer target for VexaImage::readFromFileBMP.
//
// The reader takes a path, so every input goes through a temporary file (on a
// tmpfs when one is there). Besides the sanitizers, each accepted file is
// checked for a consistent image and for a lossless write/read round trip.
#include "common/vexa_image.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string g_strInput;
std::string g_strRoundTrip;

std::string makeTempFile(const char* tag)
{
    const char* pDir = std::getenv("KELVORA_FUZZ_TMPDIR");
    if (!pDir)
        pDir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string strPath = std::string(pDir) + "/vexa_bmp_fuzz_" + tag + "_XXXXXX";
    const int fd = mkstemp(&strPath[0]);
    if (fd < 0) {
        std::perror("mkstemp");
        std::abort();
    }
    close(fd);
    return strPath;
}

void removeTempFiles()
{
    unlink(g_strInput.c_str());
    unlink(g_strRoundTrip.c_str());
}

bool writeFile(const std::string& strPath, const std::uint8_t* pData, size_t nSize)
{
    std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (!pFile)
        return false;
    const bool bOk = std::fwrite(pData, 1, nSize, pFile) == nSize;
    return std::fclose(pFile) == 0 && bOk;
}

void check(bool bCondition, const char* pWhat)
{
    if (!bCondition) {
        std::fprintf(stderr, "invariant broken: %s\n", pWhat);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_strInput = makeTempFile("in");
    g_strRoundTrip = makeTempFile("rt");
    std::atexit(removeTempFiles);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t nSize)
{
    if (!writeFile(g_strInput, pData, nSize))
        std::abort();

    vexa::VexaImage image;
    image.setIdentifier(7);
    const bool bRead = image.readFromFileBMP(g_strInput.c_str());
    check(image.getIdentifier() == 7, "reading changed the identifier");
    if (!bRead || image.empty()) {
        check(image.data() == nullptr && image.width() == 0 && image.height() == 0,
              "a failed or empty read left pixels behind");
        return 0;
    }

    // An accepted image is consistent with its type and no larger than the
    // file that held it.
    const std::int64_t nRowBytes = std::int64_t(image.width()) * image.channels();
    const std::int64_t nBytes = std::int64_t(image.widthStep()) * image.height();
    check(image.channels()
              == (image.type() == vexa::VexaImage::IMAGE_GRAY      ? 1
                      : image.type() == vexa::VexaImage::IMAGE_BGR ? 3
                                                                   : 4),
          "channels do not follow the type");
    check(image.widthStep() % 4 == 0 && image.widthStep() >= nRowBytes && image.widthStep() < nRowBytes + 4,
          "stride is not the row padded to 4");
    check(nBytes <= std::int64_t(nSize), "image larger than its file");

    // Touch every pixel byte so that the sanitizers see a short buffer.
    unsigned nSum = 0;
    for (std::int64_t i = 0; i < nBytes; ++i)
        nSum += image.data()[i];
    (void)nSum;

    // What we accept we must write and read back unchanged.
    check(image.writeToFileBMP(g_strRoundTrip.c_str()), "writing an accepted image failed");
    vexa::VexaImage again;
    check(again.readFromFileBMP(g_strRoundTrip.c_str()), "reading our own file failed");
    check(again.width() == image.width() && again.height() == image.height() && again.type() == image.type()
              && again.widthStep() == image.widthStep(),
          "round trip changed the geometry");
    for (int y = 0; y < image.height(); ++y) {
        const std::int64_t nOffset = std::int64_t(y) * image.widthStep();
        check(std::memcmp(image.data() + nOffset, again.data() + nOffset, size_t(nRowBytes)) == 0,
              "round trip changed the pixels");
    }
    return 0;
}
