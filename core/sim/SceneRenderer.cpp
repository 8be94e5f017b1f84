#include "SceneRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace {

// 5 x 7 digits, one byte per row, bit 4 leftmost.
const uint8_t kDigits[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

// Position on a path that runs 0..nRange and back.
int bounce(uint64_t nStep, int nRange)
{
    if (nRange <= 0)
        return 0;
    const uint64_t nPos = nStep % uint64_t(2 * nRange);
    return int(nPos <= uint64_t(nRange) ? nPos : 2 * uint64_t(nRange) - nPos);
}

} // namespace

SceneRenderer::SceneRenderer(int nWidth, int nHeight, bool bGrey)
    : m_nWidth(nWidth)
    , m_nHeight(nHeight)
    , m_nChannels(bGrey ? 1 : 3)
{
    for (int i = 0; i < 256; ++i)
        m_lut[i] = uint8_t(i);
    buildTexture();
}

void SceneRenderer::setBrightness(double dFactor)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (dFactor == m_dBrightness)
        return;
    m_dBrightness = dFactor;
    for (int i = 0; i < 256; ++i)
        m_lut[i] = uint8_t(std::min(255.0, std::round(i * dFactor)));
    buildTexture();
}

void SceneRenderer::buildTexture()
{
    const int nTexWidth = m_nWidth + kPeriod;
    m_nTextureStride = nTexWidth * m_nChannels;
    m_texture.resize(size_t(m_nTextureStride) * size_t(m_nHeight));
    for (int y = 0; y < m_nHeight; ++y) {
        unsigned char* pRow = m_texture.data() + size_t(y) * size_t(m_nTextureStride);
        const int nShade = y * 50 / m_nHeight;
        for (int x = 0; x < nTexWidth; ++x) {
            const bool bLight = ((x / kSquare) + (y / kSquare)) & 1;
            const int nValue = (bLight ? 180 : 40) + nShade;
            unsigned char* pPixel = pRow + size_t(x) * size_t(m_nChannels);
            if (m_nChannels == 1) {
                pPixel[0] = m_lut[nValue];
            } else {
                // Blue-ish dark squares, warm light squares: edges in every channel.
                pPixel[0] = m_lut[bLight ? nValue - 40 : nValue + 40];
                pPixel[1] = m_lut[nValue];
                pPixel[2] = m_lut[bLight ? nValue + 20 : nValue - 20];
            }
        }
    }
}

void SceneRenderer::render(uint64_t nFrame, unsigned char* pDst) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const size_t nRowBytes = size_t(widthStep());
    const size_t nShift = size_t((nFrame * 4) % kPeriod) * size_t(m_nChannels);
    for (int y = 0; y < m_nHeight; ++y)
        std::memcpy(pDst + size_t(y) * nRowBytes,
                    m_texture.data() + size_t(y) * size_t(m_nTextureStride) + nShift, nRowBytes);

    const int nBoxW = std::max(1, m_nWidth / 6);
    const int nBoxH = std::max(1, m_nHeight / 6);
    fillBox(pDst, bounce(nFrame * 8, m_nWidth - nBoxW), bounce(nFrame * 5, m_nHeight - nBoxH), nBoxW, nBoxH,
            m_lut[235]);
    drawNumber(pDst, nFrame);
}

void SceneRenderer::fillBox(unsigned char* pDst, int nX, int nY, int nW, int nH, uint8_t nValue) const
{
    const int nX0 = std::clamp(nX, 0, m_nWidth);
    const int nY0 = std::clamp(nY, 0, m_nHeight);
    const int nX1 = std::clamp(nX + nW, 0, m_nWidth);
    const int nY1 = std::clamp(nY + nH, 0, m_nHeight);
    if (nX1 <= nX0)
        return;
    for (int y = nY0; y < nY1; ++y)
        std::memset(pDst + size_t(y) * size_t(widthStep()) + size_t(nX0) * size_t(m_nChannels), nValue,
                    size_t(nX1 - nX0) * size_t(m_nChannels));
}

void SceneRenderer::drawNumber(unsigned char* pDst, uint64_t nNumber) const
{
    const std::string strDigits = std::to_string(nNumber);
    const int nScale = std::max(2, m_nHeight / 120);
    const int nCell = 6 * nScale;
    const int nLeft = nScale;
    const int nTop = nScale;
    // Black plate first so the number reads on any background.
    fillBox(pDst, 0, 0, nLeft + nCell * int(strDigits.size()) + nScale, nTop + 8 * nScale, 0);
    for (size_t i = 0; i < strDigits.size(); ++i) {
        const uint8_t* pGlyph = kDigits[strDigits[i] - '0'];
        for (int row = 0; row < 7; ++row)
            for (int col = 0; col < 5; ++col)
                if (pGlyph[row] & (0x10 >> col))
                    fillBox(pDst, nLeft + int(i) * nCell + col * nScale, nTop + row * nScale, nScale, nScale,
                            255);
    }
}
