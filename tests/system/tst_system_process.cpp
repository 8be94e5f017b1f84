// The real program in a runnable folder of its own, beside the real simulator:
// it starts, connects, receives a frame, and a close through SIGTERM (the same
// path as the close button) ends the process with code 0 after the plugins are
// unloaded.
#include "RunFolder.h"
#include "SimCore.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QElapsedTimer>
#include <QtTest>

#include "TestSuite.h"

#include <csignal>

namespace {

QStringList logLines(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QString onlyFile(const QDir& dir, const QString& strPattern)
{
    const QStringList names = dir.entryList({strPattern}, QDir::Files);
    return names.size() == 1 ? dir.filePath(names.first()) : QString();
}

} // namespace

class TestSystemProcess : public QObject
{
    Q_OBJECT
private slots:
    void runsAndEndsAfterUnloading();
};

void TestSystemProcess::runsAndEndsAfterUnloading()
{
    SimCore core;
    QVERIFY(core.start({"--width", "640", "--height", "480"}));
    RunFolder run;
    QVERIFY(run.addListedPlugins());
    QVERIFY(run.writeConfig(core.endpoint()));
    // The program writes its logs beside itself, so it runs from a copy in the folder.
    const QString strProgram = run.filePath("kelvora");
    QVERIFY(QFile::copy(KELVORA_BIN, strProgram));

    QProcess kelvora;
    kelvora.setWorkingDirectory(run.path());
    kelvora.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    kelvora.setStandardOutputFile(QProcess::nullDevice());
    kelvora.start(strProgram, QStringList());
    QVERIFY(kelvora.waitForStarted(10000));

    const QDir logs(run.filePath("Logs"));
    QString strHostLog;
    QTRY_VERIFY_WITH_TIMEOUT(!(strHostLog = onlyFile(logs, "kelvora_*.log")).isEmpty()
                                 && logLines(strHostLog).join('\n').contains("App Exit"),
                             20000);
    const QString strServiceLog = onlyFile(logs, "RpcService_*.log");
    QVERIFY(!strServiceLog.isEmpty());
    QVERIFY(logLines(strServiceLog).join('\n').contains("初始化Rpc服务"));
    QVERIFY(QFile::exists(run.filePath("Logs/log_vision_core_client.txt")));

    // A frame that the core sends reaches the program's frame path, which writes it
    // to test.bmp in the working folder.
    // The program connects in the background: a photo taken before that reaches
    // no one, so ask again until one arrives.
    QElapsedTimer waiting;
    waiting.start();
    while (QImage(run.filePath("test.bmp")).size() != QSize(640, 480) && waiting.elapsed() < 10000) {
        QVERIFY(core.takePhoto());
        QTest::qWait(200);
    }
    QCOMPARE(QImage(run.filePath("test.bmp")).size(), QSize(640, 480));

    ::kill(pid_t(kelvora.processId()), SIGTERM);
    QVERIFY(kelvora.waitForFinished(15000));
    QCOMPARE(kelvora.exitStatus(), QProcess::NormalExit);
    QCOMPARE(kelvora.exitCode(), 0);

    // Every plugin was asked to unload, and nothing of the program ran after that.
    const QStringList lines = logLines(strHostLog);
    const int nPlugins = run.pluginNames().size();
    QVERIFY(lines.size() > nPlugins);
    for (int i = lines.size() - nPlugins; i < lines.size(); ++i)
        QVERIFY2(lines[i].endsWith(")_Debug:: unload"), qPrintable(lines[i]));
    QVERIFY(!lines[lines.size() - nPlugins - 1].endsWith("unload"));

    // The core link's own log holds its lines although the process ended
    // without flushing anything.
    QFile coreLog(run.filePath("Logs/log_vision_core_client.txt"));
    QVERIFY(coreLog.open(QIODevice::ReadOnly));
    const QByteArray coreLines = coreLog.readAll();
    QVERIFY2(coreLines.contains("connected to vision core 'vision-core-sim' at " + core.endpoint().toUtf8()),
             coreLines.constData());
}

KELVORA_TEST_GUILESS_MAIN(TestSystemProcess)
#include "tst_system_process.moc"
