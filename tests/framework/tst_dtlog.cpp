#include "framework/DTLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>
#include <vector>

class TestDTLog : public QObject
{
    Q_OBJECT

private:
    QString logDir() const { return QCoreApplication::applicationDirPath() + "/Logs"; }

    QStringList logNames() const
    {
        return QDir(logDir()).entryList(QStringList() << "*.log", QDir::Files, QDir::Name);
    }

    void fillLogDir(int nLogs, int nOthers = 0)
    {
        QDir(logDir()).removeRecursively();
        QDir().mkpath(logDir());
        for (int i = 0; i < nLogs; ++i) {
            QFile f(logDir() + QString("/old_%1.log").arg(i, 2, 10, QChar('0')));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        for (int i = 0; i < nOthers; ++i) {
            QFile f(logDir() + QString("/aaa_%1.txt").arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    QStringList fileLines() const
    {
        QFile f(DTLog::instance().filePath());
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

private slots:
    // Runs first: before init every line is dropped, and the first line of a run
    // truncates a leftover file of the same name.
    void uninitialisedDropsAndFirstWriteTruncates()
    {
        DTLog::instance().write(QtInfoMsg, "dropped");
        QVERIFY(DTLog::instance().filePath().isEmpty());

        QDir(logDir()).removeRecursively();
        QVERIFY(DTLog::instance().init("", "tst"));
        const QString path = DTLog::instance().filePath();
        QVERIFY(path.startsWith(logDir() + "/tst_"));
        QVERIFY(QRegularExpression("tst_\\d{8}-\\d{6}\\.log$").match(path).hasMatch());

        {
            QFile leftover(path);
            QVERIFY(leftover.open(QIODevice::WriteOnly));
            leftover.write("leftover from an earlier start\r\n");
        }
        DTLog::instance().write(QtInfoMsg, "first");
        DTLog::instance().write(QtInfoMsg, "second");
        const QStringList lines = fileLines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].endsWith("_Info: first"));
        QVERIFY(lines[1].endsWith("_Info: second"));
    }

    // Two programs started in the same second from one folder (a second station, a
    // test beside another) each keep a file of their own: neither truncates the other.
    void sameSecondStartGetsAFileOfItsOwn()
    {
        QDir(logDir()).removeRecursively();
        QVERIFY(QDir().mkpath(logDir()));
        const QDateTime now = QDateTime::currentDateTime();
        QStringList others;
        // This second and the next: init may fall on either side of the boundary.
        for (int nSecond : {0, 1}) {
            const QString name = logDir() + "/other_" + now.addSecs(nSecond).toString("yyyyMMdd-hhmmss") + ".log";
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("the other station's line\r\n");
            others << name;
        }
        QVERIFY(DTLog::instance().init("", "other"));
        const QString own = DTLog::instance().filePath();
        QVERIFY2(!others.contains(own), qPrintable(own));
        QVERIFY(QRegularExpression("other_\\d{8}-\\d{6}-2\\.log$").match(own).hasMatch());
        DTLog::instance().write(QtInfoMsg, "own line");
        QCOMPARE(fileLines().size(), 1);
        for (const QString& name : others) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("the other station's line\r\n"));
        }
    }

    void lineFormat_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tail");
        QTest::newRow("info") << int(QtInfoMsg) << "App Exit" << "_Info: App Exit";
        QTest::newRow("debug") << int(QtDebugMsg) << "text" << "_Debug:: text";
        QTest::newRow("warning") << int(QtWarningMsg) << "w" << "_Warning:: w";
        QTest::newRow("critical") << int(QtCriticalMsg) << "c" << "_Critical:: c";
        QTest::newRow("unknown level") << 9 << "x" << "_: x";
        QTest::newRow("backslash path") << int(QtInfoMsg) << "C:\\data\\img.bmp saved" << "_Info: img.bmp saved";
        QTest::newRow("trailing backslash") << int(QtInfoMsg) << "dir\\" << "_Info: ";
        QTest::newRow("percent signs") << int(QtInfoMsg) << "100% %1 %s %n" << "_Info: 100% %1 %s %n";
        QTest::newRow("chinese") << int(QtCriticalMsg) << QString::fromUtf8("Json文件打开失败")
                                 << QString::fromUtf8("_Critical:: Json文件打开失败");
    }

    void lineFormat()
    {
        QFETCH(int, level);
        QFETCH(QString, text);
        QFETCH(QString, tail);
        DTLog::instance().write(level, text);
        const QString last = fileLines().value(fileLines().size() - 1);
        QVERIFY2(QRegularExpression("^\\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\)_").match(last).hasMatch(),
                 qPrintable(last));
        QCOMPARE(last.mid(21), tail);
    }

    void messageHandlerCatchesQtMessages()
    {
        QtMessageHandler previous = qInstallMessageHandler(&DTLog::messageHandler);
        qWarning("handler %d", 42);
        qInfo() << "info line";
        qInstallMessageHandler(previous);
        const QStringList lines = fileLines();
        QVERIFY(lines.value(lines.size() - 2).endsWith("_Warning:: handler 42"));
        QVERIFY(lines.value(lines.size() - 1).endsWith("_Info: info line"));
    }

    // Lines written from several threads at once must never interleave.
    void concurrentLinesStayWhole()
    {
        const int nThreads = 4;
        const int nLines = 100;
        const int nBefore = fileLines().size();
        std::vector<std::thread> threads;
        for (int t = 0; t < nThreads; ++t) {
            threads.emplace_back([t] {
                for (int i = 0; i < nLines; ++i)
                    DTLog::instance().write(QtInfoMsg, QString("thread %1 line %2 ").arg(t).arg(i) + QString(200, 'x'));
            });
        }
        for (auto& thread : threads)
            thread.join();
        const QStringList lines = fileLines().mid(nBefore);
        QCOMPARE(lines.size(), nThreads * nLines);
        const QRegularExpression whole("^\\(.{19}\\)_Info: thread \\d line \\d+ x{200}$");
        for (const QString& line : lines)
            QVERIFY2(whole.match(line).hasMatch(), qPrintable(line.left(80)));
    }

    void retentionKeepsTenNewest_data()
    {
        QTest::addColumn<int>("nOld");
        QTest::addColumn<int>("nOthers");
        QTest::addColumn<int>("nLeft");
        QTest::newRow("nine old: none deleted") << 9 << 0 << 9;
        QTest::newRow("ten old: first deleted") << 10 << 0 << 9;
        QTest::newRow("fifteen old: one deleted") << 15 << 0 << 14;
        QTest::newRow("other files not counted") << 9 << 5 << 9;
    }

    void retentionKeepsTenNewest()
    {
        QFETCH(int, nOld);
        QFETCH(int, nOthers);
        QFETCH(int, nLeft);
        fillLogDir(nOld, nOthers);
        QVERIFY(DTLog::instance().init("", "tst"));
        const QStringList names = logNames();
        QCOMPARE(names.size(), nLeft);
        if (nLeft < nOld)
            QVERIFY(!names.contains("old_00.log"));
        QCOMPARE(QDir(logDir()).entryList(QStringList() << "*.txt", QDir::Files).size(), nOthers);

        // Writing the new file brings the folder back to at most ten logs.
        DTLog::instance().write(QtInfoMsg, "new");
        QCOMPARE(logNames().size(), nLeft + 1);
    }

    // A log that this run is writing is never the one trimmed, even when it sorts
    // first by name (host "kelvora_..." before service "RpcService_...").
    void ownFileIsNeverTrimmed()
    {
        fillLogDir(0);
        QVERIFY(DTLog::instance().init("", "kelvora"));
        DTLog::instance().write(QtInfoMsg, "host line");
        const QString ownFile = DTLog::instance().filePath();
        for (int i = 0; i < 9; ++i) {
            QFile f(logDir() + QString("/RpcService_old_%1.log").arg(i));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(DTLog::instance().init("", "RpcService"));
        QVERIFY(QFile::exists(ownFile));
        QVERIFY(!QFile::exists(logDir() + "/RpcService_old_0.log"));
    }

    // A flood of lines stops at the file's bound with one line that says so;
    // the next file of the run starts empty again.
    void fileStopsAtItsSizeBound()
    {
        fillLogDir(0);
        DTLog& log = DTLog::instance();
        QCOMPARE(log.maxFileBytes(), qint64(100) * 1024 * 1024);
        log.setMaxFileBytes(4096);
        QVERIFY(log.init("", "capped"));
        for (int i = 0; i < 200; ++i)
            log.write(QtDebugMsg, QString("flood %1 ").arg(i, 3, 10, QChar('0')) + QString(60, 'y'));
        const qint64 nSize = QFileInfo(log.filePath()).size();
        QVERIFY2(nSize <= 4096, qPrintable(QString::number(nSize)));
        QStringList lines = fileLines();
        QVERIFY(lines.size() > 20);
        QVERIFY2(lines.last().endsWith("_Warning:: " + DTLog::sizeLimitText(4096)), qPrintable(lines.last()));
        lines.removeLast();
        // Everything before the last line is the flood, in order, with nothing lost in between.
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY2(lines[i].contains(QString("flood %1 ").arg(i, 3, 10, QChar('0'))), qPrintable(lines[i]));
        // The file is left exactly as it was.
        log.write(QtInfoMsg, "after the bound");
        QCOMPARE(QFileInfo(log.filePath()).size(), nSize);

        QVERIFY(log.init("", "capped2"));
        log.write(QtInfoMsg, "fresh file");
        QCOMPARE(fileLines().size(), 1);
        QVERIFY(fileLines().first().endsWith("_Info: fresh file"));
        log.setMaxFileBytes(DTLog::kDefaultMaxFileBytes);
    }

    // A program folder that cannot be written (an installed copy) sends the logs to
    // the per-user folder; a writable one keeps them beside the program.
    void logFolderFallsBackToUserFolder()
    {
        QTemporaryDir appDir;
        QTemporaryDir dataHome;
        QVERIFY(appDir.isValid() && dataHome.isValid());
        const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
        const bool bHadDataHome = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());

        QCOMPARE(DTLog::userFolder(), dataHome.path() + "/kelvora");
        QCOMPARE(DTLog::chooseFolder(appDir.path(), ""), appDir.path() + "/Logs/");
        QVERIFY(QFileInfo(appDir.path() + "/Logs").isDir());
        QCOMPARE(DTLog::chooseFolder(appDir.path(), "Other"), appDir.path() + "/Other/");
        QVERIFY(!QFileInfo::exists(dataHome.path() + "/kelvora"));

        // Nothing can be created below /proc, not even by root.
        const QString unwritable = "/proc/kelvora-no-such-folder";
        QCOMPARE(DTLog::chooseFolder(unwritable, ""), dataHome.path() + "/kelvora/Logs/");
        QVERIFY(QFileInfo(dataHome.path() + "/kelvora/Logs").isDir());

        // With neither usable the program's folder stays the choice, so init fails as before.
        qputenv("XDG_DATA_HOME", "/proc/kelvora-no-data-home");
        QCOMPARE(DTLog::chooseFolder(unwritable, ""), unwritable + "/Logs/");

        if (bHadDataHome)
            qputenv("XDG_DATA_HOME", oldDataHome);
        else
            qunsetenv("XDG_DATA_HOME");
    }

    // Two logs (host and service) initialised in one start can trim two files.
    void secondInitTrimsAgain()
    {
        fillLogDir(11);
        QVERIFY(DTLog::instance().init("", "kelvora"));
        QVERIFY(DTLog::instance().init("", "RpcService"));
        QCOMPARE(logNames().size(), 9);
        QVERIFY(!logNames().contains("old_00.log"));
        QVERIFY(!logNames().contains("old_01.log"));
    }
};

QTEST_GUILESS_MAIN(TestDTLog)
#include "tst_dtlog.moc"
