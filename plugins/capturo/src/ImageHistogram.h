#pragma once

#include <QImage>

#include <array>
#include <cstdint>

// Histogram of one frame as the operator judges exposure and gain by it: 256 bins per
// channel (one channel for a grey frame), and how many pixels are clipped white or
// black. Large frames are sampled on a regular grid; the counts are of the sampled
// pixels and step() tells how sparse the grid was (1 = every pixel).
class ImageHistogram
{
public:
    using Bins = std::array<quint32, 256>;

    // Samples at most about nMaxSamples pixels of image (any format Qt converts to RGB32).
    static ImageHistogram compute(const QImage& image, int nMaxSamples = 256 * 1024);

    bool isNull() const { return m_nSampled == 0; }
    // True when every sampled pixel had equal red, green and blue: draw one curve.
    bool isGrey() const { return m_bGrey; }
    // 0 red, 1 green, 2 blue; for a grey frame all three are the same.
    const Bins& channel(int nChannel) const { return m_bins[size_t(nChannel)]; }
    // Pixels with any channel at 255, and pixels with every channel at 0.
    quint64 saturated() const { return m_nSaturated; }
    quint64 black() const { return m_nBlack; }
    quint64 sampled() const { return m_nSampled; }
    int step() const { return m_nStep; }
    // The counts scaled to the whole frame (exact when step() is 1).
    quint64 estimate(quint64 nSampledCount) const
    {
        return nSampledCount * quint64(m_nStep) * quint64(m_nStep);
    }

private:
    std::array<Bins, 3> m_bins{};
    quint64 m_nSaturated = 0;
    quint64 m_nBlack = 0;
    quint64 m_nSampled = 0;
    int m_nStep = 1;
    bool m_bGrey = true;
};
