#include "FrameHandOff.h"

#include "BgrToRgb32.h"

#include <QFile>

FrameHandOff::FrameHandOff(const QString& strPath)
    : m_strPath(strPath)
    , m_pathBytes(QFile::encodeName(strPath))
{
}

QImage FrameHandOff::toImage(vexa::VexaImage& image, bool* pFromFile)
{
    QImage result;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A failed write leaves the previous frame in the file: never read it then.
        if (image.writeToFileBMP(m_pathBytes.constData()))
            result = readBack(image.channels());
    }
    const bool bFromFile = !result.isNull() && result.width() == image.width()
        && result.height() == image.height();
    if (pFromFile)
        *pFromFile = bFromFile;
    return bFromFile ? result : imageFromPixels(image);
}

QImage FrameHandOff::readBack(int nChannels)
{
    // Colour frames: Qt's BMP reader converts 24-bit files pixel by pixel, which
    // took most of the client's time per frame at camera rates. The file is
    // read with VexaImage's own reader instead and turned into the same
    // RGB32 image Qt's reader makes, in one pass.
    if (nChannels == 3) {
        if (m_fileImage.readFromFileBMP(m_pathBytes.constData()) && m_fileImage.channels() == 3
            && m_fileImage.data())
            return rgb32FromBgr(m_fileImage);
    }
    // Anything else: one read of the whole file, then Qt detects the format in memory.
    QFile file(m_strPath);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    return QImage::fromData(file.readAll());
}

QImage FrameHandOff::rgb32FromBgr(const vexa::VexaImage& image)
{
    QImage rgb(image.width(), image.height(), QImage::Format_RGB32);
    if (rgb.isNull())
        return rgb;
    for (int y = 0; y < image.height(); ++y)
        bgrRowToRgb32(image.data() + qint64(y) * image.widthStep(), reinterpret_cast<QRgb*>(rgb.scanLine(y)),
                      image.width());
    return rgb;
}

QImage FrameHandOff::imageFromPixels(const vexa::VexaImage& image)
{
    if (image.empty() || !image.data())
        return QImage();
    QImage::Format format = QImage::Format_Invalid;
    switch (image.channels()) {
    case 1: format = QImage::Format_Grayscale8; break;
    case 3: format = QImage::Format_BGR888; break;
    // B, G, R, A in memory is ARGB32 on a little-endian machine.
    case 4: format = QImage::Format_ARGB32; break;
    default: return QImage();
    }
    const QImage view(image.data(), image.width(), image.height(), image.widthStep(), format);
    return view.copy();
}
