#include "FakeGigECamera.h"

#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>

namespace {
const char* const kProgram = "arv-fake-gv-camera-0.8";

// How /proc/net/udp writes the address and the GVCP port: the address's bytes
// in network order read as one word of this machine, then the port, in hex.
QByteArray controlPortEntry(const QString& qsAddress)
{
    in_addr address{};
    inet_pton(AF_INET, qsAddress.toLatin1().constData(), &address);
    return QByteArray::number(quint32(address.s_addr), 16).rightJustified(8, '0').toUpper() + ":0F74";
}
} // namespace

FakeGigECamera::FakeGigECamera(QString qsAddress, QString qsSerial)
    : m_qsAddress(std::move(qsAddress))
    , m_qsSerial(std::move(qsSerial))
{
}

FakeGigECamera::~FakeGigECamera()
{
    kill();
}

bool FakeGigECamera::start(const QStringList& extra)
{
    QStringList arguments = m_leading + QStringList{"-i", m_qsAddress};
    if (!m_qsSerial.isEmpty())
        arguments << "-s" << m_qsSerial;
    m_process.setProgram(m_qsProgram.isEmpty() ? QString::fromLatin1(kProgram) : m_qsProgram);
    m_process.setArguments(arguments + extra);
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return false;
    const QByteArray entry = controlPortEntry(m_qsAddress);
    for (int i = 0; i < 250 && isRunning(); ++i) {
        QFile udp(QStringLiteral("/proc/net/udp"));
        if (udp.open(QIODevice::ReadOnly) && udp.readAll().contains(entry))
            return true;
        QThread::msleep(20);
    }
    return false;
}

void FakeGigECamera::kill()
{
    if (!isRunning())
        return;
    m_process.kill();
    m_process.waitForFinished(5000);
}

void FakeGigECamera::setProgram(const QString& qsProgram, const QStringList& leading)
{
    m_qsProgram = qsProgram;
    m_leading = leading;
}

bool FakeGigECamera::isInstalled()
{
    return !QStandardPaths::findExecutable(QString::fromLatin1(kProgram)).isEmpty();
}
