#include "RateLimitedStatus.h"

#include <QTimer>

#include <limits>

RateLimitedStatus::RateLimitedStatus(Show show, int nIntervalMs, QObject* parent)
    : QObject(parent)
    , m_show(std::move(show))
    , m_nIntervalMs(nIntervalMs)
{
}

void RateLimitedStatus::post(const QString& qsKind, const QString& qsText)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Kind& kind = m_kinds[qsKind];
        kind.qsText = qsText;
        kind.bDue = true;
        if (m_bScheduled)
            return;
        m_bScheduled = true;
    }
    QMetaObject::invokeMethod(
        this, [this] { flush(); }, Qt::QueuedConnection);
}

void RateLimitedStatus::flush()
{
    QStringList texts;
    qint64 nNextMs = std::numeric_limits<qint64>::max();
    bool bLater = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (Kind& kind : m_kinds) {
            if (!kind.bDue)
                continue;
            const qint64 nWait = kind.lastShown.isValid() ? m_nIntervalMs - kind.lastShown.elapsed() : 0;
            if (nWait > 0) {
                nNextMs = qMin(nNextMs, nWait);
                continue;
            }
            texts << kind.qsText;
            kind.bDue = false;
            kind.lastShown.start();
        }
        bLater = nNextMs != std::numeric_limits<qint64>::max();
        m_bScheduled = bLater;
    }
    if (bLater)
        QTimer::singleShot(int(nNextMs), this, [this] { flush(); });
    for (const QString& qsText : texts)
        m_show(qsText);
}
