#pragma once

#include <QMap>
#include <QString>

// CPU time (user + system) of every thread of a process, summed by thread
// name, read from /proc. Two snapshots give where a stretch of time went.
class ThreadCpu
{
public:
    // Adds the threads of a process as "strProcess/thread"; pid 0: this process.
    void addProcess(qint64 nPid, const QString& strProcess);

    // Seconds spent per name since the earlier snapshot.
    QMap<QString, double> since(const ThreadCpu& earlier) const;

private:
    QMap<QString, double> m_seconds;
};
