#include "FrameHandOff.h"

#include "BgrToRgb32.h"

#include <QFile>

#include <cstdio>

#include <pthread.h>
#include <unistd.h>

FrameHandOff::FrameHandOff(const QString& strPath, Writer writer)
    : m_pathBytes(QFile::encodeName(strPath))
    , m_writer(writer ? std::move(writer) : Writer(&FrameHandOff::writeReplacing))
    , m_thread([this] { run(); })
{
}

FrameHandOff::~FrameHandOff()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

QImage FrameHandOff::toImage(const std::shared_ptr<vexa::VexaImage>& pImage)
{
    if (!pImage)
        return QImage();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_pPending)
            ++m_nSkipped;
        m_pPending = pImage;
    }
    m_wake.notify_one();
    return imageFromPixels(*pImage);
}

void FrameHandOff::run()
{
    pthread_setname_np(pthread_self(), "frame-file");
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStopping || m_pPending; });
        if (m_bStopping)
            return;
        std::shared_ptr<vexa::VexaImage> pImage = std::move(m_pPending);
        m_pPending.reset();
        m_bWriting = true;
        lock.unlock();
        const bool bOk = m_writer(*pImage, m_pathBytes);
        pImage.reset();
        lock.lock();
        m_bWriting = false;
        ++(bOk ? m_nWritten : m_nFailed);
        if (!m_pPending)
            m_idle.notify_all();
    }
}

bool FrameHandOff::writeReplacing(vexa::VexaImage& image, const QByteArray& path)
{
    // One temporary name per process, so two clients in a folder never share it.
    const QByteArray temporary = path + ".tmp" + QByteArray::number(qint64(::getpid()));
    if (!image.writeToFileBMP(temporary.constData())) {
        std::remove(temporary.constData());
        return false;
    }
    if (std::rename(temporary.constData(), path.constData()) != 0) {
        std::remove(temporary.constData());
        return false;
    }
    return true;
}

quint64 FrameHandOff::written() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nWritten;
}

quint64 FrameHandOff::skipped() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nSkipped;
}

quint64 FrameHandOff::failed() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nFailed;
}

bool FrameHandOff::waitIdle(int nTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                           [this] { return !m_pPending && !m_bWriting; });
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
    switch (image.channels()) {
    case 1:
        return QImage(image.data(), image.width(), image.height(), image.widthStep(),
                      QImage::Format_Grayscale8)
            .copy();
    case 3: return rgb32FromBgr(image);
    case 4: {
        // B, G, R, A in memory is one 32-bit pixel on a little-endian machine;
        // the alpha byte is set, as RGB32 requires.
        QImage rgb = QImage(image.data(), image.width(), image.height(), image.widthStep(),
                            QImage::Format_RGB32)
                         .copy();
        for (int y = 0; y < rgb.height(); ++y) {
            auto* pRow = reinterpret_cast<QRgb*>(rgb.scanLine(y));
            for (int x = 0; x < rgb.width(); ++x)
                pRow[x] |= 0xff000000u;
        }
        return rgb;
    }
    default: return QImage();
    }
}
