#include "FrameSaveQueue.h"

#include <pthread.h>

FrameSaveQueue::FrameSaveQueue(SavedSink saved, FailureSink failed, OverflowSink overflowed, qint64 nMaxBytes)
    : m_nMaxBytes(nMaxBytes)
    , m_saved(std::move(saved))
    , m_failed(std::move(failed))
    , m_overflowed(std::move(overflowed))
    , m_thread([this] { run(); })
{
}

FrameSaveQueue::~FrameSaveQueue()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void FrameSaveQueue::setSettings(const Settings& settings)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = settings;
}

FrameSaveQueue::Settings FrameSaveQueue::settings() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_settings;
}

bool FrameSaveQueue::offer(const std::shared_ptr<vexa::VexaImage>& pFrame, const QImage& image,
                           const QString& qsKey)
{
    if (!pFrame)
        return false;
    quint64 nOverflowed = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_settings.bEnabled)
            return false;
        ++m_counters.nOffered;
        // What the queue keeps alive until written: the camera's bytes, and the
        // record's image where a JPG or the icon needs it.
        const bool bKeepImage = m_settings.qsFormat == QLatin1String(".jpg")
            || borrowedView(*pFrame).isNull();
        const qint64 nBytes = qint64(pFrame->widthStep()) * pFrame->height()
            + (bKeepImage ? image.sizeInBytes() : 0);
        // An empty queue always takes one frame, however large.
        if (!m_jobs.empty() && m_nQueuedBytes + nBytes > m_nMaxBytes) {
            nOverflowed = ++m_counters.nOverflowed;
        } else {
            m_jobs.push_back(Job{pFrame, bKeepImage ? image : QImage(), qsKey, m_settings, nBytes});
            m_nQueuedBytes += nBytes;
        }
    }
    if (nOverflowed != 0) {
        if (m_overflowed)
            m_overflowed(nOverflowed);
        return false;
    }
    m_wake.notify_one();
    return true;
}

void FrameSaveQueue::run()
{
    pthread_setname_np(pthread_self(), "frame-save");
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_bStopping || !m_jobs.empty(); });
        if (m_bStopping)
            return;
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        m_bWriting = true;
        lock.unlock();

        const SavedFrameFile::Outcome outcome = SavedFrameFile::write(
            *job.pFrame, job.image, job.settings.qsFolder, job.qsKey, job.settings.qsFormat);
        Saved saved;
        if (outcome.bOk)
            saved = Saved{job.qsKey, outcome.qsName, outcome.qsFile,
                          iconOf(job.image.isNull() ? borrowedView(*job.pFrame) : job.image)};
        job.pFrame.reset();
        job.image = QImage();

        lock.lock();
        Failure failure;
        if (outcome.bOk) {
            ++m_counters.nSaved;
        } else {
            ++m_counters.nFailed;
            failure = Failure{outcome.qsFile, outcome.nErrno, ++m_failuresByErrno[outcome.nErrno]};
        }
        lock.unlock();
        if (outcome.bOk && m_saved)
            m_saved(saved);
        else if (!outcome.bOk && m_failed)
            m_failed(failure);
        lock.lock();
        // Counted free only now: the sinks above still held the frame's icon.
        m_nQueuedBytes -= job.nBytes;
        m_bWriting = false;
        if (m_jobs.empty())
            m_idle.notify_all();
    }
}

FrameSaveQueue::Counters FrameSaveQueue::counters() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counters;
}

qint64 FrameSaveQueue::queuedBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_nQueuedBytes;
}

bool FrameSaveQueue::waitIdle(int nTimeoutMs)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_idle.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                           [this] { return m_jobs.empty() && !m_bWriting; });
}

QImage FrameSaveQueue::borrowedView(const vexa::VexaImage& frame)
{
    if (frame.empty() || !frame.data())
        return QImage();
    switch (frame.channels()) {
    case 1:
        return QImage(frame.data(), frame.width(), frame.height(), frame.widthStep(),
                      QImage::Format_Grayscale8);
    case 3:
        return QImage(frame.data(), frame.width(), frame.height(), frame.widthStep(), QImage::Format_BGR888);
    default:
        // Four channels carry an alpha byte that means nothing: the record's image has it right.
        return QImage();
    }
}

QImage FrameSaveQueue::iconOf(const QImage& image)
{
    const QSize box(kIconSize, kIconSize);
    if (image.isNull() || (image.width() <= box.width() && image.height() <= box.height()))
        return image.copy();
    // Halved cheaply first, then smoothed: looks the same at icon size.
    QImage source = image;
    if (source.width() > 4 * box.width() || source.height() > 4 * box.height())
        source = source.scaled(box * 2, Qt::KeepAspectRatio, Qt::FastTransformation);
    return source.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
