#include "HistogramWorker.h"

#include <QtConcurrent/QtConcurrentRun>

HistogramWorker::HistogramWorker(int nIntervalMs, QObject* parent)
    : QObject(parent)
    , m_nIntervalMs(nIntervalMs)
{
    m_delay.setSingleShot(true);
    connect(&m_delay, &QTimer::timeout, this, &HistogramWorker::startNext);
    connect(&m_watcher, &QFutureWatcher<ImageHistogram>::finished, this, &HistogramWorker::slotFinished);
}

HistogramWorker::~HistogramWorker()
{
    // The computation holds only its own copy of the frame; waiting keeps the
    // watcher from reporting into a destroyed object.
    m_watcher.waitForFinished();
}

void HistogramWorker::submit(const QImage& image)
{
    m_pending = image;
    if (m_watcher.isRunning() || m_delay.isActive())
        return;
    const qint64 nSince = m_sinceStart.isValid() ? m_sinceStart.elapsed() : m_nIntervalMs;
    if (nSince >= m_nIntervalMs)
        startNext();
    else
        m_delay.start(int(m_nIntervalMs - nSince));
}

void HistogramWorker::clear()
{
    m_pending = QImage();
    m_delay.stop();
}

void HistogramWorker::startNext()
{
    if (m_pending.isNull() || m_watcher.isRunning())
        return;
    const QImage image = m_pending;
    m_pending = QImage();
    m_sinceStart.start();
    m_watcher.setFuture(QtConcurrent::run([image] { return ImageHistogram::compute(image); }));
}

void HistogramWorker::slotFinished()
{
    emit signalHistogramReady(m_watcher.result());
    if (!m_pending.isNull())
        m_delay.start(int(qMax<qint64>(0, m_nIntervalMs - m_sinceStart.elapsed())));
}
