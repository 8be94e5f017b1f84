#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <mutex>

// Status texts that may come in bursts from any thread, shown on this object's
// thread at most once per interval for each kind. A text waiting for its turn
// is replaced by a newer one of its kind, so what is shown always carries the
// latest count; nothing posted is ever left unshown.
class RateLimitedStatus : public QObject
{
    Q_OBJECT

public:
    using Show = std::function<void(const QString& qsText)>;

    RateLimitedStatus(Show show, int nIntervalMs, QObject* parent = nullptr);

    // Any thread.
    void post(const QString& qsKind, const QString& qsText);

private:
    void flush();

    struct Kind
    {
        QString qsText;
        bool bDue = false;
        QElapsedTimer lastShown;
    };

    Show m_show;
    const int m_nIntervalMs;
    std::mutex m_mutex;
    QHash<QString, Kind> m_kinds;
    bool m_bScheduled = false;
};
