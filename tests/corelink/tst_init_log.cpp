// initLog: a file logger of the given name, level and path that becomes the
// logger the client library writes to.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "TestSuite.h"

#include <spdlog/spdlog.h>

#include "corelink/InitLog.h"

class TestInitLog : public QObject
{
    Q_OBJECT

private slots:
    void writesAtTheChosenLevel();
    void refusesBadArguments();
    void everyLineReachesTheFileAtOnce();
    void sizeIsBoundedByRotation();
};

void TestInitLog::writesAtTheChosenLevel()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // The folder does not exist yet, as "Logs/" on a first start.
    const QByteArray path = dir.filePath(QStringLiteral("Logs/log_vision_core_client.txt")).toLocal8Bit();
    QCOMPARE(initLog("vision_core_client", path.constData(), 3, false), 0);
    QCOMPARE(spdlog::default_logger()->name(), std::string("vision_core_client"));
    spdlog::info("below the level");
    spdlog::warn("frame stream lost");
    spdlog::default_logger()->flush();

    QFile file(QString::fromLocal8Bit(path));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(content.contains("frame stream lost"));
    QVERIFY(content.contains("vision_core_client"));
    QVERIFY(!content.contains("below the level"));
    file.close();

    // Called again with the same name: replaced, not refused; 0 logs everything.
    QCOMPARE(initLog("vision_core_client", path.constData(), 0, true), 0);
    spdlog::trace("every detail");
    spdlog::default_logger()->flush();
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("every detail"));
}

void TestInitLog::refusesBadArguments()
{
    QCOMPARE(initLog(nullptr, "x.txt", 0, false), -1);
    QCOMPARE(initLog("name", nullptr, 0, false), -1);
    QCOMPARE(initLog("name", "", 0, false), -1);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A path below a plain file cannot be created.
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QByteArray path = dir.filePath(QStringLiteral("file/log.txt")).toLocal8Bit();
    QCOMPARE(initLog("blocked", path.constData(), 2, false), -1);
}

void TestInitLog::everyLineReachesTheFileAtOnce()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("client.txt"));
    QCOMPARE(initLog("vision_core_client", path.toLocal8Bit().constData(), 0, false), 0);
    // No flush by the caller: the process may end with _exit right after.
    spdlog::info("connected to vision core 'x'");
    spdlog::debug("a detail");
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QVERIFY(content.contains("connected to vision core 'x'"));
    QVERIFY(content.contains("a detail"));
}

void TestInitLog::sizeIsBoundedByRotation()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // Lines from an earlier start are kept: the file is appended to.
    const QString path = dir.filePath(QStringLiteral("client.txt"));
    {
        QFile earlier(path);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier start\n");
    }
    const qint64 nBound = 8 * 1024;
    QCOMPARE(initLogBounded("bounded", path.toLocal8Bit().constData(), 0, false, size_t(nBound), 2), 0);
    spdlog::info("first line of this start");
    QFile current(path);
    QVERIFY(current.open(QIODevice::ReadOnly));
    QVERIFY(current.readAll().startsWith("earlier start\n"));
    current.close();

    for (int i = 0; i < 2000; ++i)
        spdlog::warn("flood {:04} {}", i, std::string(60, 'z'));
    const QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
    QCOMPARE(names, QStringList({"client.1.txt", "client.2.txt", "client.txt"}));
    for (const QString& name : names)
        QVERIFY2(QFileInfo(dir.filePath(name)).size() <= nBound, qPrintable(name));
    QVERIFY(current.open(QIODevice::ReadOnly));
    QVERIFY(current.readAll().contains("flood 1999"));
    // Rejected: a bound of nothing.
    QCOMPARE(initLogBounded("bounded", path.toLocal8Bit().constData(), 0, false, 0, 2), -1);
}

KELVORA_TEST_GUILESS_MAIN(TestInitLog)
#include "tst_init_log.moc"
