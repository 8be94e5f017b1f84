#include "LocalFolderLoader.h"

#include "SourceSwitch.h"
#include "ThumbnailStrip.h"

#include <QImageReader>

LocalFolderLoader::LocalFolderLoader(QObject* parent)
    : QObject(parent)
{
    // One load at a time: a cancelled one ends after its current image.
    m_pool.setMaxThreadCount(1);
}

LocalFolderLoader::~LocalFolderLoader()
{
    cancel();
    m_pool.waitForDone();
}

void LocalFolderLoader::load(const QString& qsFolder)
{
    const int nGeneration = ++m_nGeneration;
    m_pool.start([this, qsFolder, nGeneration] { run(qsFolder, nGeneration); });
}

void LocalFolderLoader::cancel()
{
    ++m_nGeneration;
}

template <typename F>
void LocalFolderLoader::deliver(int nGeneration, F f)
{
    QMetaObject::invokeMethod(
        this,
        [this, nGeneration, f] {
            if (nGeneration == m_nGeneration.load())
                f();
        },
        Qt::QueuedConnection);
}

QImage LocalFolderLoader::read(const QString& qsPath, const QSize& box, QString* pStatus)
{
    QImageReader reader(qsPath);
    const QSize size = reader.size();
    if (!size.isValid()) {
        *pStatus = tr("无法读取图片: %1").arg(qsPath);
        return QImage();
    }
    if (qint64(size.width()) * size.height() > kMaxPixels) {
        *pStatus = tr("图片过大, 未打开: %1 (%2x%3)").arg(qsPath).arg(size.width()).arg(size.height());
        return QImage();
    }
    if (box.isValid() && (size.width() > box.width() || size.height() > box.height()))
        reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull())
        *pStatus = tr("无法读取图片: %1 (%2)").arg(qsPath, reader.errorString());
    return image;
}

void LocalFolderLoader::run(const QString& qsFolder, int nGeneration)
{
    const QVector<SourceSwitch::LocalImage> images = SourceSwitch::localImages(qsFolder);
    const QSize box(ThumbnailStrip::ThumbnailSize, ThumbnailStrip::ThumbnailSize);
    int nLast = -1;
    int nListed = 0;
    for (int i = 0; i < images.size(); ++i) {
        if (nGeneration != m_nGeneration.load())
            return;
        QString qsStatus;
        const QImage icon = read(images[i].qsPath, box, &qsStatus);
        if (icon.isNull()) {
            deliver(nGeneration, [this, qsStatus] { emit signalRefused(qsStatus); });
            continue;
        }
        nLast = i;
        ++nListed;
        const QString qsName = images[i].qsName;
        deliver(nGeneration, [this, i, icon, qsName] { emit signalThumbnail(i, icon, qsName); });
    }
    if (nLast >= 0 && nGeneration == m_nGeneration.load()) {
        QString qsStatus;
        const QImage image = read(images[nLast].qsPath, QSize(), &qsStatus);
        const QString qsName = images[nLast].qsName;
        if (!image.isNull())
            deliver(nGeneration, [this, image, qsName] { emit signalLastImage(image, qsName); });
    }
    deliver(nGeneration, [this, nListed] { emit signalFinished(nListed); });
}
