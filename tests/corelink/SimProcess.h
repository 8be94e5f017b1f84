#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A vision-core-sim process on a loopback port.
class SimProcess
{
public:
    ~SimProcess();

    // Starts the simulator with the extra arguments on the given port (0: a
    // free one) and waits until it listens. False when it did not come up.
    bool start(const QStringList& arguments, int nPort = 0);
    // SIGKILL, as when the core crashes.
    void kill();
    // SIGTERM; true when it then ended by itself with exit code 0.
    bool terminate();

    int port() const { return m_nPort; }
    qint64 pid() const { return m_process.processId(); }
    QString endpoint() const { return QStringLiteral("127.0.0.1:%1").arg(m_nPort); }

private:
    QProcess m_process;
    int m_nPort = 0;
};
