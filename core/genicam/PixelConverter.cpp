#include "PixelConverter.h"

#include <cstdio>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace PixelConverter {

namespace {

// OpenCV names a Bayer layout after the second row's second and third
// pixels, GenICam after the first row's first two: RG in GenICam is BG to
// OpenCV, and so on.
int bayerCode(uint32_t nFormat)
{
    switch (nFormat) {
    case BayerRG8: return cv::COLOR_BayerBG2BGR;
    case BayerGR8: return cv::COLOR_BayerGB2BGR;
    case BayerBG8: return cv::COLOR_BayerRG2BGR;
    case BayerGB8: return cv::COLOR_BayerGR2BGR;
    default: return -1;
    }
}

// The significant bits of a 16-bit container.
int significantBits(uint32_t nFormat)
{
    switch (nFormat) {
    case Mono10: return 10;
    case Mono12: return 12;
    case Mono16: return 16;
    default: return 0;
    }
}

} // namespace

bool isSupported(uint32_t nFormat)
{
    return bytesPerPixel(nFormat) != 0;
}

int bytesPerPixel(uint32_t nFormat)
{
    switch (nFormat) {
    case Mono8:
    case BayerGR8:
    case BayerRG8:
    case BayerGB8:
    case BayerBG8: return 1;
    case Mono10:
    case Mono12:
    case Mono16: return 2;
    case RGB8:
    case BGR8: return 3;
    default: return 0;
    }
}

bool convert(uint32_t nFormat, const std::string& strFormatName, int nWidth, int nHeight, const void* pData,
             size_t nBytes, kelvora::core::Frame* pFrame, std::string* pError)
{
    const int nBytesPerPixel = bytesPerPixel(nFormat);
    if (nBytesPerPixel == 0) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08x", nFormat);
        *pError = "pixel format " + (strFormatName.empty() ? std::string(code) : strFormatName + " (" + code + ")")
            + " is not supported; choose Mono8/10/12/16, RGB8, BGR8 or an 8-bit Bayer format";
        return false;
    }
    if (nWidth <= 0 || nHeight <= 0 || pData == nullptr
        || nBytes < size_t(nWidth) * size_t(nHeight) * size_t(nBytesPerPixel)) {
        *pError = "image of " + std::to_string(nBytes) + " bytes is too short for " + std::to_string(nWidth)
            + "x" + std::to_string(nHeight) + " " + strFormatName;
        return false;
    }

    const bool bGrey = nFormat == Mono8 || significantBits(nFormat) != 0;
    const int nChannels = bGrey ? 1 : 3;
    const int nStep = nWidth * nChannels;
    std::string* pOut = pFrame->mutable_data();
    pOut->resize(size_t(nStep) * size_t(nHeight));
    cv::Mat out(nHeight, nWidth, bGrey ? CV_8UC1 : CV_8UC3, pOut->data(), size_t(nStep));
    void* pIn = const_cast<void*>(pData);

    if (nFormat == Mono8) {
        cv::Mat(nHeight, nWidth, CV_8UC1, pIn).copyTo(out);
    } else if (const int nBits = significantBits(nFormat)) {
        // The top eight significant bits, as a shift gives them; values a
        // sensor of that depth cannot give saturate at white.
        const int nShift = nBits - 8;
        const auto* pSrc = static_cast<const uint16_t*>(pData);
        for (int y = 0; y < nHeight; ++y) {
            const uint16_t* pRow = pSrc + size_t(y) * size_t(nWidth);
            uint8_t* pDst = out.ptr<uint8_t>(y);
            for (int x = 0; x < nWidth; ++x) {
                const unsigned nValue = unsigned(pRow[x]) >> nShift;
                pDst[x] = uint8_t(nValue > 255 ? 255 : nValue);
            }
        }
    } else if (nFormat == RGB8) {
        cv::cvtColor(cv::Mat(nHeight, nWidth, CV_8UC3, pIn), out, cv::COLOR_RGB2BGR);
    } else if (nFormat == BGR8) {
        cv::Mat(nHeight, nWidth, CV_8UC3, pIn).copyTo(out);
    } else {
        cv::cvtColor(cv::Mat(nHeight, nWidth, CV_8UC1, pIn), out, bayerCode(nFormat));
    }

    pFrame->set_width(nWidth);
    pFrame->set_height(nHeight);
    pFrame->set_width_step(nStep);
    pFrame->set_type(bGrey ? kelvora::core::PIXEL_GRAY : kelvora::core::PIXEL_BGR);
    return true;
}

} // namespace PixelConverter
