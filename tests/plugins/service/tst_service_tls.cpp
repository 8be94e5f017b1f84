// The service plugin against vision cores that require TLS with client
// certificates, configured through config.ini's "ca", "cert" and "key": a
// client with a valid certificate is served; one without a certificate, with
// one from another CA or with an expired one is refused, and a core whose
// certificate does not verify is not trusted, each with its own status line.
// The connection is one per process, so every case runs this test again in a
// process of its own (childCase) on a config.ini of its own.

#include "ServiceFixture.h"
#include "SimCore.h"
#include "TestCerts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "TestSuite.h"

namespace {
const char* const kCaseVariable = "KELVORA_TLS_CASE";
}

class TestServiceTls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void statusLines_data();
    void statusLines();
    void childCase();

private:
    QString file(const QString& qsName) const { return m_dir.filePath(qsName); }

    QTemporaryDir m_dir;
    SimCore m_core;     // certificate of the station CA
    SimCore m_stranger; // certificate of another CA
};

void TestServiceTls::initTestCase()
{
    if (qEnvironmentVariableIsSet(kCaseVariable))
        return;
    QVERIFY(m_dir.isValid());
    QVERIFY(makeTestPki(m_dir.path()));
    const QStringList size{"--width", "32", "--height", "24"};
    QVERIFY(m_core.start(size + tlsCoreArguments(file("station"))));
    QVERIFY(m_stranger.start(size + tlsCoreArguments(file("other"))));
}

void TestServiceTls::statusLines_data()
{
    QTest::addColumn<bool>("bStranger");
    QTest::addColumn<QString>("qsCert"); // client certificate and key, by name
    QTest::addColumn<QString>("qsExpected");
    QTest::newRow("valid certificate") << false << "station/operator"
                                       << "相机初始化成功:1";
    QTest::newRow("no certificate") << false << QString() << "视觉核心拒绝了本机的证书:0";
    QTest::newRow("another CA's certificate") << false << "other/intruder"
                                              << "视觉核心拒绝了本机的证书:0";
    QTest::newRow("expired certificate") << false << "station/expired"
                                         << "证书已过期: " + file("station/expired.pem") + ":0";
    QTest::newRow("core of another CA") << true << "station/operator"
                                        << "视觉核心的证书未通过验证:0";
}

void TestServiceTls::statusLines()
{
    QFETCH(bool, bStranger);
    QFETCH(QString, qsCert);
    QFETCH(QString, qsExpected);
    QByteArray config = "ca=" + file("station/ca.pem").toUtf8() + "\n";
    if (!qsCert.isEmpty())
        config += "cert=" + file(qsCert + ".pem").toUtf8() + "\nkey=" + file(qsCert + ".key").toUtf8() + "\n";
    const QString qsEndpoint = bStranger ? m_stranger.endpoint() : m_core.endpoint();

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kCaseVariable, qsEndpoint + "\n" + QString::fromUtf8(config) + "\n" + qsExpected);
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    // A suite executable runs the class named by its first argument.
    QStringList arguments{"childCase"};
    if (QFileInfo(QCoreApplication::applicationFilePath()).fileName().startsWith("suite_"))
        arguments.prepend(QFileInfo(QStringLiteral(__FILE__)).baseName());
    child.start(QCoreApplication::applicationFilePath(), arguments);
    QVERIFY(child.waitForFinished(60000));
    const QByteArray output = child.readAll();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, output.constData());
}

void TestServiceTls::childCase()
{
    if (!qEnvironmentVariableIsSet(kCaseVariable))
        QSKIP("run by statusLines, one process per case");
    const QStringList parts = qEnvironmentVariable(kCaseVariable).split('\n');
    QVERIFY(parts.size() >= 3);
    const QString qsEndpoint = parts.first();
    const QString qsExpected = parts.last();
    const QByteArray config = parts.mid(1, parts.size() - 2).join('\n').toUtf8();
    ServiceFixture fixture;
    QVERIFY(fixture.start(qsEndpoint, 1, config));
    const bool bSeen = ServiceFixture::waitForStatus(qsExpected, 20000);
    QStringList seen;
    for (const QVariant& entry : ServiceFixture::records())
        if (!ServiceFixture::status(entry).isEmpty())
            seen << ServiceFixture::status(entry);
    QVERIFY2(bSeen, qPrintable("expected \"" + qsExpected + "\", got: " + seen.join(" | ")));
    // A refused link never reports success as well.
    if (!qsExpected.endsWith(":1"))
        QVERIFY2(!seen.contains("相机初始化成功:1"), qPrintable(seen.join(" | ")));
}

KELVORA_TEST_MAIN(TestServiceTls)
#include "tst_service_tls.moc"
