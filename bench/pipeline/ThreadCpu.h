#pragma once

#include <QMap>
#include <QString>

// CPU time (user + system) of every thread of a process, summed by thread
// name, read from /proc. Two snapshots give where a stretch of time went.
class ThreadCpu
{
public:
    // pid 0: this process.
    static ThreadCpu snapshot(qint64 nPid, const QString& strProcess);

    // Seconds spent per "process/thread" name since the earlier snapshot.
    QMap<QString, double> since(const ThreadCpu& earlier) const;

private:
    QMap<QString, double> m_seconds;
};
