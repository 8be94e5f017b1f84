#include "PixelConverter.h"

#include <cstdio>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace PixelConverter {

namespace {

enum Packing
{
    // One value per 8-bit byte or 16-bit little-endian container.
    Unpacked,
    // GigE Vision "Packed": two pixels in three bytes, the high eight bits of
    // each in the outer bytes, the low bits in the middle one's nibbles.
    GvPacked,
    // PFNC "p": a little-endian bit stream, pixel after pixel.
    LsbPacked,
};

enum Colour
{
    Grey,
    Rgb,
    Bgr,
    // Bayer layouts named by their first row's first two pixels.
    BayerRG,
    BayerGR,
    BayerGB,
    BayerBG,
};

struct Layout
{
    Colour colour;
    int nBits;
    Packing packing;
};

bool layoutOf(uint32_t nFormat, Layout* pLayout)
{
    switch (nFormat) {
    case Mono8: *pLayout = {Grey, 8, Unpacked}; return true;
    case Mono10: *pLayout = {Grey, 10, Unpacked}; return true;
    case Mono12: *pLayout = {Grey, 12, Unpacked}; return true;
    case Mono16: *pLayout = {Grey, 16, Unpacked}; return true;
    case Mono10Packed: *pLayout = {Grey, 10, GvPacked}; return true;
    case Mono12Packed: *pLayout = {Grey, 12, GvPacked}; return true;
    case Mono10p: *pLayout = {Grey, 10, LsbPacked}; return true;
    case Mono12p: *pLayout = {Grey, 12, LsbPacked}; return true;
    case RGB8: *pLayout = {Rgb, 8, Unpacked}; return true;
    case BGR8: *pLayout = {Bgr, 8, Unpacked}; return true;
    case BayerRG8: *pLayout = {BayerRG, 8, Unpacked}; return true;
    case BayerGR8: *pLayout = {BayerGR, 8, Unpacked}; return true;
    case BayerGB8: *pLayout = {BayerGB, 8, Unpacked}; return true;
    case BayerBG8: *pLayout = {BayerBG, 8, Unpacked}; return true;
    case BayerRG10: *pLayout = {BayerRG, 10, Unpacked}; return true;
    case BayerGR10: *pLayout = {BayerGR, 10, Unpacked}; return true;
    case BayerGB10: *pLayout = {BayerGB, 10, Unpacked}; return true;
    case BayerBG10: *pLayout = {BayerBG, 10, Unpacked}; return true;
    case BayerRG12: *pLayout = {BayerRG, 12, Unpacked}; return true;
    case BayerGR12: *pLayout = {BayerGR, 12, Unpacked}; return true;
    case BayerGB12: *pLayout = {BayerGB, 12, Unpacked}; return true;
    case BayerBG12: *pLayout = {BayerBG, 12, Unpacked}; return true;
    case BayerRG16: *pLayout = {BayerRG, 16, Unpacked}; return true;
    case BayerGR16: *pLayout = {BayerGR, 16, Unpacked}; return true;
    case BayerGB16: *pLayout = {BayerGB, 16, Unpacked}; return true;
    case BayerBG16: *pLayout = {BayerBG, 16, Unpacked}; return true;
    case BayerRG10Packed: *pLayout = {BayerRG, 10, GvPacked}; return true;
    case BayerGR10Packed: *pLayout = {BayerGR, 10, GvPacked}; return true;
    case BayerGB10Packed: *pLayout = {BayerGB, 10, GvPacked}; return true;
    case BayerBG10Packed: *pLayout = {BayerBG, 10, GvPacked}; return true;
    case BayerRG12Packed: *pLayout = {BayerRG, 12, GvPacked}; return true;
    case BayerGR12Packed: *pLayout = {BayerGR, 12, GvPacked}; return true;
    case BayerGB12Packed: *pLayout = {BayerGB, 12, GvPacked}; return true;
    case BayerBG12Packed: *pLayout = {BayerBG, 12, GvPacked}; return true;
    case BayerRG10p: *pLayout = {BayerRG, 10, LsbPacked}; return true;
    case BayerGR10p: *pLayout = {BayerGR, 10, LsbPacked}; return true;
    case BayerGB10p: *pLayout = {BayerGB, 10, LsbPacked}; return true;
    case BayerBG10p: *pLayout = {BayerBG, 10, LsbPacked}; return true;
    case BayerRG12p: *pLayout = {BayerRG, 12, LsbPacked}; return true;
    case BayerGR12p: *pLayout = {BayerGR, 12, LsbPacked}; return true;
    case BayerGB12p: *pLayout = {BayerGB, 12, LsbPacked}; return true;
    case BayerBG12p: *pLayout = {BayerBG, 12, LsbPacked}; return true;
    default: return false;
    }
}

bool isBayer(Colour colour)
{
    return colour >= BayerRG;
}

// OpenCV names a Bayer layout after the second row's second and third
// pixels, GenICam after the first row's first two: RG in GenICam is BG to
// OpenCV, and so on.
int bayerCode(Colour colour)
{
    switch (colour) {
    case BayerRG: return cv::COLOR_BayerBG2BGR;
    case BayerGR: return cv::COLOR_BayerGB2BGR;
    case BayerBG: return cv::COLOR_BayerRG2BGR;
    case BayerGB: return cv::COLOR_BayerGR2BGR;
    default: return -1;
    }
}

size_t bitsInBuffer(const Layout& layout)
{
    switch (layout.packing) {
    case Unpacked: return layout.nBits == 8 ? 8 : 16;
    case GvPacked: return 12;
    case LsbPacked: return size_t(layout.nBits);
    }
    return 0;
}

// The packed values of nCount pixels into 16-bit values.
void unpack(const Layout& layout, const uint8_t* pIn, size_t nCount, uint16_t* pOut)
{
    if (layout.packing == GvPacked) {
        // The low bits sit in the middle byte: pixel 0's in its low nibble,
        // pixel 1's in its high nibble.
        const int nLow = layout.nBits - 8;
        const unsigned nMask = (1u << nLow) - 1u;
        for (size_t i = 0; i < nCount; ++i) {
            const uint8_t* pGroup = pIn + (i / 2) * 3;
            const bool bSecond = (i % 2) != 0;
            const unsigned nHigh = bSecond ? pGroup[2] : pGroup[0];
            const unsigned nBits = (bSecond ? pGroup[1] >> 4 : pGroup[1]) & nMask;
            pOut[i] = uint16_t((nHigh << nLow) | nBits);
        }
        return;
    }
    const unsigned nMask = (1u << layout.nBits) - 1u;
    for (size_t i = 0; i < nCount; ++i) {
        const size_t nBit = i * size_t(layout.nBits);
        const uint8_t* pByte = pIn + nBit / 8;
        // A value spans at most three bytes; the third is read only where it
        // belongs to the value, so the buffer's end is never passed.
        unsigned nWord = unsigned(pByte[0]) | (unsigned(pByte[1]) << 8);
        const unsigned nShift = unsigned(nBit % 8);
        if (nShift + unsigned(layout.nBits) > 16)
            nWord |= unsigned(pByte[2]) << 16;
        pOut[i] = uint16_t((nWord >> nShift) & nMask);
    }
}

// The top eight significant bits, as a shift gives them; values a sensor of
// that depth cannot give saturate at white.
void scaleTo8(const cv::Mat& in, int nBits, cv::Mat& out)
{
    const int nShift = nBits - 8;
    for (int y = 0; y < in.rows; ++y) {
        const uint16_t* pRow = in.ptr<uint16_t>(y);
        uint8_t* pDst = out.ptr<uint8_t>(y);
        for (int x = 0; x < in.cols; ++x) {
            const unsigned nValue = unsigned(pRow[x]) >> nShift;
            pDst[x] = uint8_t(nValue > 255 ? 255 : nValue);
        }
    }
}

} // namespace

bool isSupported(uint32_t nFormat)
{
    Layout layout;
    return layoutOf(nFormat, &layout);
}

size_t imageBytes(uint32_t nFormat, int nWidth, int nHeight)
{
    Layout layout;
    if (!layoutOf(nFormat, &layout) || nWidth <= 0 || nHeight <= 0)
        return 0;
    const size_t nChannels = (layout.colour == Rgb || layout.colour == Bgr) ? 3 : 1;
    const size_t nBits = size_t(nWidth) * size_t(nHeight) * nChannels * bitsInBuffer(layout);
    return (nBits + 7) / 8;
}

int outputChannels(uint32_t nFormat)
{
    Layout layout;
    if (!layoutOf(nFormat, &layout))
        return 0;
    return layout.colour == Grey ? 1 : 3;
}

bool convert(uint32_t nFormat, const std::string& strFormatName, int nWidth, int nHeight, const void* pData,
             size_t nBytes, kelvora::core::Frame* pFrame, std::string* pError)
{
    Layout layout;
    if (!layoutOf(nFormat, &layout)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08x", nFormat);
        *pError = "pixel format "
            + (strFormatName.empty() ? std::string(code) : strFormatName + " (" + code + ")")
            + " is not supported; choose Mono8/10/12/16 (also packed), RGB8, BGR8 or a Bayer format";
        return false;
    }
    const size_t nNeeded = imageBytes(nFormat, nWidth, nHeight);
    if (nNeeded == 0 || pData == nullptr || nBytes < nNeeded) {
        *pError = "image of " + std::to_string(nBytes) + " bytes is too short for " + std::to_string(nWidth)
            + "x" + std::to_string(nHeight) + " " + strFormatName;
        return false;
    }

    const bool bGrey = layout.colour == Grey;
    const int nChannels = bGrey ? 1 : 3;
    const int nStep = nWidth * nChannels;
    std::string* pOut = pFrame->mutable_data();
    pOut->resize(size_t(nStep) * size_t(nHeight));
    cv::Mat out(nHeight, nWidth, bGrey ? CV_8UC1 : CV_8UC3, pOut->data(), size_t(nStep));
    void* pIn = const_cast<void*>(pData);

    // One channel of 8 bits: the grey image or the raw mosaic.
    cv::Mat single;
    if (layout.colour == Rgb) {
        cv::cvtColor(cv::Mat(nHeight, nWidth, CV_8UC3, pIn), out, cv::COLOR_RGB2BGR);
    } else if (layout.colour == Bgr) {
        cv::Mat(nHeight, nWidth, CV_8UC3, pIn).copyTo(out);
    } else {
        single = bGrey ? out : cv::Mat(nHeight, nWidth, CV_8UC1);
        if (layout.nBits == 8) {
            cv::Mat(nHeight, nWidth, CV_8UC1, pIn).copyTo(single);
        } else if (layout.packing == Unpacked) {
            scaleTo8(cv::Mat(nHeight, nWidth, CV_16UC1, pIn), layout.nBits, single);
        } else {
            cv::Mat wide(nHeight, nWidth, CV_16UC1);
            unpack(layout, static_cast<const uint8_t*>(pData), size_t(nWidth) * size_t(nHeight),
                   wide.ptr<uint16_t>(0));
            scaleTo8(wide, layout.nBits, single);
        }
        if (isBayer(layout.colour))
            cv::cvtColor(single, out, bayerCode(layout.colour));
    }

    pFrame->set_width(nWidth);
    pFrame->set_height(nHeight);
    pFrame->set_width_step(nStep);
    pFrame->set_type(bGrey ? kelvora::core::PIXEL_GRAY : kelvora::core::PIXEL_BGR);
    return true;
}

} // namespace PixelConverter
