#include "SimProcess.h"

#include <QElapsedTimer>
#include <QRegularExpression>

SimProcess::~SimProcess()
{
    if (m_process.state() != QProcess::NotRunning)
        kill();
}

bool SimProcess::start(const QStringList& arguments, int nPort)
{
    m_process.setProgram(QStringLiteral(VISION_CORE_SIM));
    m_process.setArguments(QStringList{QStringLiteral("--listen"),
                                       QStringLiteral("127.0.0.1:%1").arg(nPort)}
                           + arguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(5000))
        return false;
    // The simulator prints its bound address once it accepts calls.
    const QRegularExpression listening(QStringLiteral("listening on [0-9.]+:(\\d+)"));
    QByteArray output;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 5000 && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(100);
        output += m_process.readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            m_nPort = match.captured(1).toInt();
            return true;
        }
    }
    return false;
}

void SimProcess::kill()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

bool SimProcess::terminate()
{
    m_process.terminate();
    return m_process.waitForFinished(5000) && m_process.exitStatus() == QProcess::NormalExit
        && m_process.exitCode() == 0;
}
