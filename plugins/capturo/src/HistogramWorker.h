#pragma once

#include "ImageHistogram.h"

#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QImage>
#include <QObject>
#include <QTimer>

// Computes the histogram of the frames it is given on Qt's thread pool, never on the
// GUI thread, at most once per interval and always of the newest frame: frames that
// arrive while one is computed replace each other, so a fast stream costs one
// histogram per interval whatever its rate.
class HistogramWorker : public QObject
{
    Q_OBJECT
public:
    explicit HistogramWorker(int nIntervalMs = 250, QObject* parent = nullptr);
    ~HistogramWorker() override;

    void submit(const QImage& image);
    // Forgets a frame still waiting; one being computed is finished and reported.
    void clear();

signals:
    void signalHistogramReady(const ImageHistogram& histogram);

private:
    void startNext();
    void slotFinished();

    QFutureWatcher<ImageHistogram> m_watcher;
    QTimer m_delay;
    QElapsedTimer m_sinceStart;
    QImage m_pending;
    int m_nIntervalMs;
};
