#include "FrameStamp.h"

#include <chrono>
#include <cstring>

namespace {
const unsigned char kMarker[4] = {'K', 'V', 'T', 'S'};
}

namespace FrameStamp {

int64_t now()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool write(unsigned char* pRow, int nWidth, int nChannels, int64_t nNanoseconds)
{
    if (nWidth < kPixels || nChannels < 1)
        return false;
    unsigned char values[kPixels];
    std::memcpy(values, kMarker, sizeof(kMarker));
    const uint64_t nBits = uint64_t(nNanoseconds);
    for (int i = 0; i < 8; ++i)
        values[4 + i] = static_cast<unsigned char>(nBits >> (8 * i));
    for (int x = 0; x < kPixels; ++x)
        std::memset(pRow + x * nChannels, values[x], size_t(nChannels));
    return true;
}

bool read(const unsigned char* pValues, int64_t* pNanoseconds)
{
    if (std::memcmp(pValues, kMarker, sizeof(kMarker)) != 0)
        return false;
    uint64_t nBits = 0;
    for (int i = 0; i < 8; ++i)
        nBits |= uint64_t(pValues[4 + i]) << (8 * i);
    *pNanoseconds = int64_t(nBits);
    return true;
}

} // namespace FrameStamp
