#include "FolderSource.h"

#include <algorithm>

#include <QDir>

bool FolderSource::load(const QString& strFolder, bool bGrey, QString* pError)
{
    m_bGrey = bGrey;
    m_images.clear();
    const QDir dir(strFolder);
    if (!dir.exists()) {
        *pError = QStringLiteral("no folder %1").arg(strFolder);
        return false;
    }
    const QStringList names = dir.entryList(
        {QStringLiteral("*.bmp"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")},
        QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QString& strName : names) {
        QImage image(dir.filePath(strName));
        if (image.isNull())
            continue;
        // Frames carry blue, green, red bytes; QImage's RGB888 is red first.
        image = bGrey ? image.convertToFormat(QImage::Format_Grayscale8)
                      : image.convertToFormat(QImage::Format_RGB888).rgbSwapped();
        m_images.push_back(image);
    }
    if (m_images.empty()) {
        *pError = QStringLiteral("no readable BMP or JPG image in %1").arg(strFolder);
        return false;
    }
    return true;
}

uint64_t FolderSource::largestImageBytes() const
{
    uint64_t nLargest = 0;
    for (const QImage& image : m_images)
        nLargest = std::max(nLargest,
                            uint64_t(image.width()) * uint64_t(image.height()) * uint64_t(channels()));
    return nLargest;
}

const QImage& FolderSource::image(uint64_t nFrame) const
{
    return m_images[(nFrame == 0 ? 0 : nFrame - 1) % m_images.size()];
}
