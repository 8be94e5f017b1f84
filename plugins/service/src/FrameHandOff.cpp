#include "FrameHandOff.h"

#include <QFile>
#include <QImageReader>

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
        if (image.writeToFileBMP(m_pathBytes.constData())) {
            QImageReader reader(m_strPath);
            result = reader.read();
        }
    }
    const bool bFromFile = !result.isNull() && result.width() == image.width()
        && result.height() == image.height();
    if (pFromFile)
        *pFromFile = bFromFile;
    return bFromFile ? result : imageFromPixels(image);
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
