#pragma once

#include <QByteArray>
#include <QFile>

// This process's resident size in KiB (VmRSS of /proc/self/status); -1 when unknown.
inline long residentKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}
