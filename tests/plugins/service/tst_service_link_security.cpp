// The client's check of its TLS files before it connects, and the status
// line each failure of the link gets.

#include <QTemporaryDir>
#include <QtTest>

#include "LinkSecurity.h"
#include "TestCerts.h"
#include "corelink/CommTypes.h"

class TestLinkSecurity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void plaintext_data();
    void plaintext();
    void goodFilesConnectWithTls();
    void badFiles_data();
    void badFiles();
    void eachTlsFailureHasItsLine();

private:
    QString file(const QString& qsName) const { return m_dir.filePath(qsName); }
    // A config.ini with these keys (beside "ip").
    QString config(const QMap<QString, QString>& keys);

    QTemporaryDir m_dir;
    int m_nConfigs = 0;
};

void TestLinkSecurity::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(makeTestCerts({"ca", m_dir.path()}));
    QVERIFY(makeTestCerts({"client", m_dir.path(), "op"}));
    QVERIFY(makeTestCerts({"client", m_dir.path(), "old"}, "-2"));
    QVERIFY(QDir(m_dir.path()).mkdir("folder.pem"));
    QFile junk(file("junk.pem"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not a certificate\n");
}

QString TestLinkSecurity::config(const QMap<QString, QString>& keys)
{
    const QString qsPath = file(QString("config%1.ini").arg(++m_nConfigs));
    QSettings settings(qsPath, QSettings::IniFormat);
    for (auto it = keys.begin(); it != keys.end(); ++it)
        settings.setValue(it.key(), it.value());
    settings.sync();
    return qsPath;
}

void TestLinkSecurity::plaintext_data()
{
    QTest::addColumn<QString>("qsAddress");
    QTest::addColumn<bool>("bWarned");
    QTest::newRow("default") << "127.0.0.1:20020" << false;
    QTest::newRow("loopback net") << "127.3.0.9:20020" << false;
    QTest::newRow("localhost") << "localhost:20020" << false;
    QTest::newRow("ipv6 loopback") << "[::1]:20020" << false;
    QTest::newRow("plant address") << "10.1.2.3:20020" << true;
    QTest::newRow("host name") << "camera-pc:20020" << true;
    QTest::newRow("ipv6 address") << "[fd00::5]:20020" << true;
}

void TestLinkSecurity::plaintext()
{
    QFETCH(QString, qsAddress);
    QFETCH(bool, bWarned);
    const QSettings settings(config({}), QSettings::IniFormat);
    const LinkSecurity security(settings, qsAddress);
    QVERIFY(!security.useTls());
    QVERIFY(security.usable());
    QCOMPARE(security.notices().size(), bWarned ? 1 : 0);
    if (bWarned) {
        QVERIFY(security.notices().first().qsText.contains(qsAddress));
        QVERIFY(!security.notices().first().bSuccess);
    }
    Json::Value rpc(Json::objectValue);
    security.addTo(&rpc);
    QVERIFY(!rpc.isMember("ca"));
}

void TestLinkSecurity::goodFilesConnectWithTls()
{
    const QSettings settings(
        config({{"ca", file("ca.pem")}, {"cert", file("op.pem")}, {"key", file("op.key")}}),
        QSettings::IniFormat);
    const LinkSecurity security(settings, "10.1.2.3:20020");
    QVERIFY(security.useTls());
    QVERIFY(security.usable());
    QVERIFY(security.notices().isEmpty());
    Json::Value rpc(Json::objectValue);
    security.addTo(&rpc);
    QCOMPARE(QString::fromStdString(rpc["ca"].asString()), file("ca.pem"));
    QCOMPARE(QString::fromStdString(rpc["cert"].asString()), file("op.pem"));
    QCOMPARE(QString::fromStdString(rpc["key"].asString()), file("op.key"));
}

void TestLinkSecurity::badFiles_data()
{
    QTest::addColumn<QString>("qsCert");
    QTest::addColumn<QString>("qsKey");
    QTest::addColumn<QString>("qsLine");
    QTest::newRow("missing") << file("gone.pem") << file("op.key") << "证书文件不存在: " + file("gone.pem");
    QTest::newRow("unreadable") << file("folder.pem") << file("op.key")
                                << "证书文件无法读取: " + file("folder.pem");
    QTest::newRow("not a certificate")
        << file("junk.pem") << file("op.key") << "证书文件无法读取: " + file("junk.pem");
    QTest::newRow("expired") << file("old.pem") << file("old.key") << "证书已过期: " + file("old.pem");
    QTest::newRow("key missing") << file("op.pem") << file("gone.key")
                                 << "证书文件不存在: " + file("gone.key");
    QTest::newRow("cert without key")
        << file("op.pem") << QString() << "证书设置不完整: 需要 ca，cert 与 key 须同时设置";
}

void TestLinkSecurity::badFiles()
{
    QFETCH(QString, qsCert);
    QFETCH(QString, qsKey);
    QFETCH(QString, qsLine);
    QMap<QString, QString> keys{{"ca", file("ca.pem")}, {"cert", qsCert}};
    if (!qsKey.isEmpty())
        keys.insert("key", qsKey);
    const QSettings settings(config(keys), QSettings::IniFormat);
    const LinkSecurity security(settings, "10.1.2.3:20020");
    QVERIFY(!security.usable());
    QCOMPARE(security.notices().size(), 1);
    QCOMPARE(security.notices().first().qsText, qsLine);
}

void TestLinkSecurity::eachTlsFailureHasItsLine()
{
    const char* pCore = LinkSecurity::initFailureText(INIT_CORE_CERTIFICATE_REJECTED);
    const char* pClient = LinkSecurity::initFailureText(INIT_CLIENT_CERTIFICATE_REFUSED);
    const char* pHandshake = LinkSecurity::initFailureText(INIT_TLS_HANDSHAKE_FAILED);
    QVERIFY(pCore && pClient && pHandshake);
    QCOMPARE(QString(pCore), QString("视觉核心的证书未通过验证"));
    QCOMPARE(QString(pClient), QString("视觉核心拒绝了本机的证书"));
    QVERIFY(QString(pHandshake) != QString(pCore) && QString(pHandshake) != QString(pClient));
    // A core that is simply not there is no TLS matter.
    QVERIFY(LinkSecurity::initFailureText(4) == nullptr);
    QVERIFY(LinkSecurity::initFailureText(14) == nullptr);
}

QTEST_GUILESS_MAIN(TestLinkSecurity)
#include "tst_service_link_security.moc"
