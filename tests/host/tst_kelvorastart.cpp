// Starts the real program from its runnable folder and reads the log it writes.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>
#include <csignal>

class TestKelvoraStart : public QObject
{
    Q_OBJECT

private:
    static QStringList lines(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList result = QString::fromUtf8(f.readAll()).split("\r\n");
        if (!result.isEmpty() && result.last().isEmpty())
            result.removeLast();
        return result;
    }

private slots:
    void startWritesLogAndEndsOnSignal()
    {
        const QFileInfo program(KELVORA_BIN);
        const QDir logs(program.absolutePath() + "/Logs");
        const QStringList before = logs.entryList(QStringList() << "kelvora_*.log", QDir::Files);

        QProcess kelvora;
        kelvora.setWorkingDirectory(program.absolutePath());
        kelvora.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        kelvora.start(program.absoluteFilePath(), QStringList() << "--probe");
        QVERIFY(kelvora.waitForStarted());

        QString logPath;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const QStringList now = logs.entryList(QStringList() << "kelvora_*.log", QDir::Files);
                for (const QString& name : now)
                    if (!before.contains(name))
                        logPath = logs.absoluteFilePath(name);
                return !logPath.isEmpty() && lines(logPath).join("\n").contains("App Exit");
            }(),
            15000);
        QVERIFY(QRegularExpression("kelvora_\\d{8}-\\d{6}\\.log$").match(logPath).hasMatch());

        ::kill(pid_t(kelvora.processId()), SIGTERM);
        QVERIFY(kelvora.waitForFinished(10000));
        QCOMPARE(kelvora.exitStatus(), QProcess::NormalExit);
        QCOMPARE(kelvora.exitCode(), 0);

        const QStringList log = lines(logPath);
        QVERIFY(log.size() >= 3);
        QCOMPARE(log[0].mid(21), "_Info: GetCmdInput:" + program.absoluteFilePath() + ";--probe");
        QVERIFY(QRegularExpression("^_Info: \\.\\.\\.Init Window\\.\\.\\. DisplayPer: \\d+(\\.\\d+)?$")
                    .match(log[1].mid(21))
                    .hasMatch());
        QVERIFY(std::any_of(log.begin(), log.end(),
                            [](const QString& l) { return l.endsWith(")_Info: App Exit"); }));
        const QRegularExpression format(
            "^\\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\)_(Info|Debug:|Warning:|Critical:|Fatal:): ");
        for (const QString& line : log)
            QVERIFY2(format.match(line).hasMatch(), qPrintable(line));
    }

    // Started from a desktop launcher or a service there is no terminal to open:
    // "debug" must then leave standard output where it was, not close it.
    void debugWithoutTerminalKeepsOutput()
    {
        const QFileInfo program(KELVORA_BIN);
        QProcess kelvora;
        kelvora.setWorkingDirectory(program.absolutePath());
        // setsid: a new session has no controlling terminal, so /dev/tty cannot be opened.
        kelvora.start("setsid",
                      QStringList() << program.absoluteFilePath() << "debug"
                                    << "--probe");
        QVERIFY(kelvora.waitForStarted());
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += kelvora.readAllStandardOutput()).contains("App Exit"), 15000);
        QVERIFY(out.contains("GetCmdInput:" + program.absoluteFilePath().toUtf8() + ";debug;--probe"));
        kelvora.terminate();
        QVERIFY(kelvora.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TestKelvoraStart)
#include "tst_kelvorastart.moc"
