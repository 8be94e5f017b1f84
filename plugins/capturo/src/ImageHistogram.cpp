#include "ImageHistogram.h"

#include <cmath>

ImageHistogram ImageHistogram::compute(const QImage& image, int nMaxSamples)
{
    ImageHistogram result;
    if (image.isNull() || nMaxSamples <= 0)
        return result;
    const qint64 nPixels = qint64(image.width()) * image.height();
    // One grid step in both directions keeps the sample spread over the whole frame.
    result.m_nStep = qMax(1, int(std::ceil(std::sqrt(double(nPixels) / nMaxSamples))));
    const int nStep = result.m_nStep;

    const bool bGreyFormat = image.format() == QImage::Format_Grayscale8;
    const QImage source = bGreyFormat || image.format() == QImage::Format_RGB32
            || image.format() == QImage::Format_ARGB32
        ? image
        : image.convertToFormat(QImage::Format_RGB32);

    for (int y = 0; y < source.height(); y += nStep) {
        const uchar* pLine = source.constScanLine(y);
        for (int x = 0; x < source.width(); x += nStep) {
            int r, g, b;
            if (bGreyFormat) {
                r = g = b = pLine[x];
            } else {
                const QRgb rgb = reinterpret_cast<const QRgb*>(pLine)[x];
                r = qRed(rgb);
                g = qGreen(rgb);
                b = qBlue(rgb);
            }
            ++result.m_bins[0][size_t(r)];
            ++result.m_bins[1][size_t(g)];
            ++result.m_bins[2][size_t(b)];
            if (r != g || g != b)
                result.m_bGrey = false;
            if (r == 255 || g == 255 || b == 255)
                ++result.m_nSaturated;
            else if ((r | g | b) == 0)
                ++result.m_nBlack;
            ++result.m_nSampled;
        }
    }
    return result;
}
