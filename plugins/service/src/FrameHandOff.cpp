#include "FrameHandOff.h"

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
        // Rewriting a truncated file makes the file system flush it at once;
        // a fresh file costs less than half as much.
        QFile::remove(m_strPath);
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

QImage FrameHandOff::readBack(int nChannels) const
{
    // Colour frames: Qt's BMP reader converts 24-bit files pixel by pixel, which
    // took most of the client's time per frame at camera rates. The file is
    // read with VexaImage's own reader instead and turned into the same
    // RGB32 image Qt's reader makes, with Qt's vectorised conversions.
    if (nChannels == 3) {
        vexa::VexaImage file;
        if (file.readFromFileBMP(m_pathBytes.constData()) && file.channels() == 3 && file.data())
            return rgb32FromBgr(file);
    }
    // Anything else: one read of the whole file, then Qt detects the format in memory.
    QFile file(m_strPath);
    if (!file.open(QIODevice::ReadOnly))
        return QImage();
    return QImage::fromData(file.readAll());
}

QImage FrameHandOff::rgb32FromBgr(const vexa::VexaImage& image)
{
    // B, G, R bytes taken as RGB888 go through Qt's fast RGB888 to RGB32 path;
    // swapping red and blue afterwards (in place) gives the true colours.
    const QImage view(image.data(), image.width(), image.height(), image.widthStep(), QImage::Format_RGB888);
    return view.convertToFormat(QImage::Format_RGB32).rgbSwapped();
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
