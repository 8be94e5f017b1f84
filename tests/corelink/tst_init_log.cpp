// initLog: a file logger of the given name, level and path that becomes the
// logger the client library writes to.

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <spdlog/spdlog.h>

#include "corelink/InitLog.h"

class TestInitLog : public QObject
{
    Q_OBJECT

private slots:
    void writesAtTheChosenLevel();
    void refusesBadArguments();
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

QTEST_GUILESS_MAIN(TestInitLog)
#include "tst_init_log.moc"
