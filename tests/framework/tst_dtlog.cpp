#include "framework/DTLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
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

    QStringList fileLines() const { return linesOf(DTLog::instance().filePath()); }

    static QStringList linesOf(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    // The log's clock from now on, starting at the given time; the test moves it.
    QDateTime m_clock;
    void useClock(const char* pStart)
    {
        m_clock = QDateTime::fromString(pStart, "yyyy-MM-dd hh:mm:ss");
        DTLog::instance().setClock([this] { return m_clock; });
    }

private slots:
    void cleanup()
    {
        DTLog::instance().setMaxFileBytes(DTLog::kDefaultMaxFileBytes);
        DTLog::instance().setClock({});
    }

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
            const QString name = logDir() + "/other_" + now.addSecs(nSecond).toString("yyyyMMdd-hhmmss")
                + ".log";
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
        QTest::newRow("info") << int(QtInfoMsg) << "App Exit"
                              << "_Info: App Exit";
        QTest::newRow("debug") << int(QtDebugMsg) << "text"
                               << "_Debug:: text";
        QTest::newRow("warning") << int(QtWarningMsg) << "w"
                                 << "_Warning:: w";
        QTest::newRow("critical") << int(QtCriticalMsg) << "c"
                                  << "_Critical:: c";
        QTest::newRow("unknown level") << 9 << "x"
                                       << "_: x";
        QTest::newRow("backslash path") << int(QtInfoMsg) << "C:\\data\\img.bmp saved"
                                        << "_Info: img.bmp saved";
        QTest::newRow("trailing backslash") << int(QtInfoMsg) << "dir\\"
                                            << "_Info: ";
        QTest::newRow("percent signs") << int(QtInfoMsg) << "100% %1 %s %n"
                                       << "_Info: 100% %1 %s %n";
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
        QVERIFY2(
            QRegularExpression("^\\(\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\)_").match(last).hasMatch(),
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
                    DTLog::instance().write(QtInfoMsg,
                                            QString("thread %1 line %2 ").arg(t).arg(i) + QString(200, 'x'));
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
        // The new file is claimed at once unless this run used its name in the same
        // second already: count the old ones.
        const QStringList names = logNames().filter(QRegularExpression("^old_"));
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

    // At its bound the log goes on in a new file named by the time it is opened; the
    // run's files sort by name in the order written and together hold every line.
    void fileContinuesInANewFileAtItsBound()
    {
        fillLogDir(0);
        DTLog& log = DTLog::instance();
        QCOMPARE(log.maxFileBytes(), qint64(100) * 1024 * 1024);
        useClock("2026-05-01 10:00:00");
        log.setMaxFileBytes(4096);
        QVERIFY(log.init("", "capped"));
        const int nLines = 300;
        for (int i = 0; i < nLines; ++i) {
            // Several files open within one second, others a second later.
            if (i % 120 == 119)
                m_clock = m_clock.addSecs(1);
            log.write(QtDebugMsg, QString("flood %1 ").arg(i, 3, 10, QChar('0')) + QString(60, 'y'));
        }
        const QStringList files = log.runFiles();
        QVERIFY2(files.size() >= 5, qPrintable(files.join(' ')));
        QCOMPARE(files.last(), QFileInfo(log.filePath()).absoluteFilePath());
        QStringList sorted = files;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(sorted, files);
        QVERIFY(files.first().endsWith("/capped_20260501-100000.log"));
        QVERIFY(files.contains(logDir() + "/capped_20260501-100000_002.log"));
        const QRegularExpression name("/capped_20260501-1000\\d\\d(_\\d{3})?\\.log$");
        QStringList all;
        for (const QString& file : files) {
            QVERIFY2(name.match(file).hasMatch(), qPrintable(file));
            QVERIFY2(QFileInfo(file).size() <= 4096, qPrintable(file));
            all += linesOf(file);
        }
        QCOMPARE(all.size(), nLines);
        for (int i = 0; i < nLines; ++i)
            QVERIFY2(all[i].contains(QString("flood %1 ").arg(i, 3, 10, QChar('0'))), qPrintable(all[i]));
    }

    // A run that fills file after file keeps its ten newest; the file being written
    // stays, and neither another log's files nor older runs' files are touched. The
    // next start's retention leaves this run's files alone too.
    void runKeepsItsTenNewestFiles()
    {
        fillLogDir(3);
        DTLog& log = DTLog::instance();
        useClock("2026-05-02 11:00:00");
        log.setMaxFileBytes(1024);
        QVERIFY(log.init("", "long"));
        QStringList opened;
        for (int i = 0; i < 600; ++i) {
            m_clock = m_clock.addSecs(1);
            log.write(QtInfoMsg, QString("line %1 ").arg(i) + QString(40, 'z'));
            if (opened.isEmpty() || opened.last() != log.runFiles().last())
                opened << log.runFiles().last();
        }
        QVERIFY2(opened.size() > DTLog::kMaxRunFiles + 5, qPrintable(QString::number(opened.size())));
        const QStringList kept = log.runFiles();
        QCOMPARE(kept, opened.mid(opened.size() - DTLog::kMaxRunFiles));
        for (const QString& file : opened)
            QCOMPARE(QFile::exists(file), kept.contains(file));
        QVERIFY(linesOf(log.filePath()).last().endsWith("_Info: line 599 " + QString(40, 'z')));
        for (int i = 0; i < 3; ++i)
            QVERIFY(QFile::exists(logDir() + QString("/old_%1.log").arg(i, 2, 10, QChar('0'))));

        // The service's log starts beside it: the folder holds more than ten logs,
        // and the one trimmed is an older run's, not one of this run's.
        QVERIFY(log.init("", "RpcService"));
        QVERIFY(!QFile::exists(logDir() + "/old_00.log"));
        for (const QString& file : kept)
            QVERIFY2(QFile::exists(file), qPrintable(file));
    }

    // Identical lines beyond the bound in one second are written as one line with
    // their count, in the next second; other lines and normal rates pass untouched.
    void floodOfIdenticalLinesCollapses()
    {
        fillLogDir(0);
        DTLog& log = DTLog::instance();
        useClock("2026-05-03 12:00:00");
        QVERIFY(log.init("", "flood"));
        for (int i = 0; i < 5000; ++i) {
            log.write(QtDebugMsg, "frameInit");
            if (i % 1000 == 0)
                log.write(QtWarningMsg, QString("distinct %1").arg(i));
        }
        // The same text at another level is another line.
        for (int i = 0; i < 3; ++i)
            log.write(QtInfoMsg, "frameInit");
        QStringList lines = fileLines();
        QCOMPARE(lines.filter("_Debug:: frameInit").size(), DTLog::kMaxRepeatsPerSecond);
        QCOMPARE(lines.filter("_Info: frameInit").size(), 3);
        QCOMPARE(lines.filter("distinct").size(), 5);
        QCOMPARE(lines.size(), DTLog::kMaxRepeatsPerSecond + 3 + 5);

        m_clock = m_clock.addSecs(1);
        log.write(QtInfoMsg, "next second");
        lines = fileLines();
        QCOMPARE(lines.size(), DTLog::kMaxRepeatsPerSecond + 3 + 5 + 2);
        QCOMPARE(lines.value(lines.size() - 2),
                 "(2026-05-03 12:00:01)_Debug:: "
                     + DTLog::repeatText(m_clock.addSecs(-1), 4950, "frameInit"));
        QVERIFY(DTLog::repeatText(m_clock, 4950, "frameInit").contains("4950"));
        QVERIFY(lines.last().endsWith("_Info: next second"));

        // 25 a second for four seconds: every line is written.
        const int nBefore = lines.size();
        for (int nSecond = 0; nSecond < 4; ++nSecond) {
            m_clock = m_clock.addSecs(1);
            for (int i = 0; i < 25; ++i)
                log.write(QtDebugMsg, "frameInit");
        }
        lines = fileLines().mid(nBefore);
        QCOMPARE(lines.size(), 100);
        QCOMPARE(lines.filter("frameInit").size(), 100);
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
        // The two new files may or may not exist yet (a name this run already used
        // in the same second is not claimed again): count the old ones.
        QCOMPARE(logNames().filter(QRegularExpression("^old_")).size(), 9);
        QVERIFY(!logNames().contains("old_00.log"));
        QVERIFY(!logNames().contains("old_01.log"));
    }
};

QTEST_GUILESS_MAIN(TestDTLog)
#include "tst_dtlog.moc"
