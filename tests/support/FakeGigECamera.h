#pragma once

#include <QProcess>
#include <QString>

// Aravis's fake GigE Vision camera (arv-fake-gv-camera-0.8) as a child process on
// one address with one serial, started and killed as a camera's power is. Runs in
// a network namespace of the caller's own (NetNamespace.h), where the address is
// held by its loopback.
class FakeGigECamera
{
public:
    // No serial: the fake's own ("GV01").
    explicit FakeGigECamera(QString qsAddress = QStringLiteral("127.0.0.1"), QString qsSerial = QString());
    ~FakeGigECamera();

    // True once its control port (GVCP, UDP 3956) is bound on its address. Extra
    // arguments go to the fake (e.g. "-r", "10": lose 1 % of the packets).
    bool start(const QStringList& extra = {});
    void kill();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    qint64 pid() const { return m_process.processId(); }
    QString address() const { return m_qsAddress; }
    QString serial() const { return m_qsSerial; }

    // Another program that takes the fake's "-i" and "-s" (e.g. one that hosts
    // Aravis's fake in-process with settings the command line lacks).
    void setProgram(const QString& qsProgram, const QStringList& leading = {});

    static bool isInstalled();

private:
    QString m_qsAddress;
    QString m_qsSerial;
    QString m_qsProgram;
    QStringList m_leading;
    QProcess m_process;
};
