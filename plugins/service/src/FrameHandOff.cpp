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
        if (image.writeToFileBMP(m_pathBytes.constData())) {
            // One read of the whole file, then Qt detects the format in memory.
            QFile file(m_strPath);
            if (file.open(QIODevice::ReadOnly))
                result = QImage::fromData(file.readAll());
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
