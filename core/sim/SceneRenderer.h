#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

// The synthetic scene: a checkerboard sliding to the left, a bright box
// bouncing around and the frame number in the top left corner. A frame is
// a function of its number, its geometry and the brightness alone, so a
// receiver can render the same frame to compare with.
class SceneRenderer
{
public:
    SceneRenderer(int nWidth, int nHeight, bool bGrey);

    int width() const { return m_nWidth; }
    int height() const { return m_nHeight; }
    int channels() const { return m_nChannels; }
    int widthStep() const { return m_nWidth * m_nChannels; }

    // Scales the scene (not the number) by the factor, clipped at 255.
    void setBrightness(double dFactor);
    // Writes widthStep() * height() bytes, top row first, BGR byte order.
    void render(uint64_t nFrame, unsigned char* pDst) const;

private:
    void buildTexture();
    void fillBox(unsigned char* pDst, int nX, int nY, int nW, int nH, uint8_t nValue) const;
    void drawNumber(unsigned char* pDst, uint64_t nNumber) const;

    static constexpr int kSquare = 64;
    static constexpr int kPeriod = 2 * kSquare;

    int m_nWidth;
    int m_nHeight;
    int m_nChannels;
    mutable std::mutex m_mutex;
    double m_dBrightness = 1.0;
    uint8_t m_lut[256];
    // One period wider than a frame so each frame is a row-wise copy.
    std::vector<unsigned char> m_texture;
    int m_nTextureStride = 0;
};
