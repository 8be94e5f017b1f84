#include "ThreadCpu.h"

#include <QDir>
#include <QFile>

#include <unistd.h>

namespace {

// utime and stime of one /proc/<pid>/task/<tid>/stat line, in seconds; the
// thread name is between the first '(' and the last ')', and may hold spaces.
bool readTask(const QString& strPath, QString* pName, double* pSeconds)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = file.readAll();
    const int nOpen = line.indexOf('(');
    const int nClose = line.lastIndexOf(')');
    if (nOpen < 0 || nClose < nOpen)
        return false;
    *pName = QString::fromUtf8(line.mid(nOpen + 1, nClose - nOpen - 1));
    // After ") ": state is field 3, utime field 14, stime field 15.
    const QList<QByteArray> fields = line.mid(nClose + 2).split(' ');
    if (fields.size() < 13)
        return false;
    static const double dTicks = double(sysconf(_SC_CLK_TCK));
    *pSeconds = (fields[11].toLongLong() + fields[12].toLongLong()) / dTicks;
    return true;
}

} // namespace

void ThreadCpu::addProcess(qint64 nPid, const QString& strProcess)
{
    const QString strTasks = nPid > 0 ? QStringLiteral("/proc/%1/task").arg(nPid)
                                      : QStringLiteral("/proc/self/task");
    for (const QString& strTid : QDir(strTasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QString strName;
        double dSeconds = 0;
        if (readTask(strTasks + "/" + strTid + "/stat", &strName, &dSeconds))
            m_seconds[strProcess + "/" + strName] += dSeconds;
    }
}

QMap<QString, double> ThreadCpu::since(const ThreadCpu& earlier) const
{
    QMap<QString, double> delta;
    for (auto it = m_seconds.cbegin(); it != m_seconds.cend(); ++it) {
        const double dSpent = it.value() - earlier.m_seconds.value(it.key());
        if (dSpent > 0)
            delta[it.key()] = dSpent;
    }
    return delta;
}
