// The link with TLS and client certificates against the real simulator: a
// client whose certificate chains to the core's CA is served; one without a
// certificate, with one from another CA or with an expired one is refused, and
// a core whose certificate does not verify is not trusted. Each outcome has
// its own result code, which the service turns into its own status line.

#include <QTemporaryDir>
#include <QtTest>

#include "SimCore.h"
#include "TestCerts.h"
#include "corelink/CCommFactoryRPC.h"


class TestCorelinkTls : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void validClientIsServed();
    void refusedClients_data();
    void refusedClients();
    void coreFromAnotherCaIsNotTrusted();
    void unreadableFilesFailBeforeContact();

private:
    QString file(const QString& qsName) const { return m_dir.filePath(qsName); }
    int connect(const QString& qsEndpoint, const QString& qsCa, const QString& qsCert, const QString& qsKey,
                std::shared_ptr<CCommBase>* pComm = nullptr);

    QTemporaryDir m_dir;
    SimCore m_core;     // certificate of the station CA
    SimCore m_stranger; // certificate of another CA
};

void TestCorelinkTls::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(makeTestPki(m_dir.path()));
    const QStringList size{"--width", "64", "--height", "48"};
    QVERIFY(m_core.start(size + tlsCoreArguments(file("station"))));
    QVERIFY(m_stranger.start(size + tlsCoreArguments(file("other"))));
}

int TestCorelinkTls::connect(const QString& qsEndpoint, const QString& qsCa, const QString& qsCert,
                             const QString& qsKey, std::shared_ptr<CCommBase>* pComm)
{
    auto pClient = CCommFactoryRPC::instance().create(1);
    Json::Value settings;
    settings["rpc"]["ip"] = qsEndpoint.toStdString();
    if (!qsCa.isEmpty())
        settings["rpc"]["ca"] = qsCa.toStdString();
    if (!qsCert.isEmpty()) {
        settings["rpc"]["cert"] = qsCert.toStdString();
        settings["rpc"]["key"] = qsKey.toStdString();
    }
    const int nResult = pClient->init(settings);
    if (pComm)
        *pComm = pClient;
    else
        pClient->uninit();
    return nResult;
}

void TestCorelinkTls::validClientIsServed()
{
    std::shared_ptr<CCommBase> pComm;
    QCOMPARE(connect(m_core.endpoint(), file("station/ca.pem"), file("station/operator.pem"),
                     file("station/operator.key"), &pComm),
             0);
    // A camera call travels the protected link and changes the core's camera.
    QCOMPARE(pComm->camera()->setGain(3.5f), 0);
    float fGain = 0;
    QCOMPARE(pComm->camera()->getGain(&fGain), 0);
    QCOMPARE(fGain, 3.5f);
    pComm->uninit();
}

void TestCorelinkTls::refusedClients_data()
{
    QTest::addColumn<QString>("qsCert");
    QTest::addColumn<QString>("qsKey");
    QTest::newRow("no certificate") << QString() << QString();
    QTest::newRow("another CA's certificate") << file("other/intruder.pem") << file("other/intruder.key");
    QTest::newRow("expired certificate") << file("station/expired.pem") << file("station/expired.key");
}

void TestCorelinkTls::refusedClients()
{
    QFETCH(QString, qsCert);
    QFETCH(QString, qsKey);
    QCOMPARE(connect(m_core.endpoint(), file("station/ca.pem"), qsCert, qsKey),
             int(INIT_CLIENT_CERTIFICATE_REFUSED));
}

void TestCorelinkTls::coreFromAnotherCaIsNotTrusted()
{
    QCOMPARE(connect(m_stranger.endpoint(), file("station/ca.pem"), file("station/operator.pem"),
                     file("station/operator.key")),
             int(INIT_CORE_CERTIFICATE_REJECTED));
    // A plaintext client is no client of a TLS core either.
    QVERIFY(connect(m_core.endpoint(), QString(), QString(), QString()) != 0);
}

void TestCorelinkTls::unreadableFilesFailBeforeContact()
{
    QCOMPARE(connect(m_core.endpoint(), file("station/ca.pem"), file("station/missing.pem"),
                     file("station/operator.key")),
             int(INIT_TLS_FILES_UNUSABLE));
}

QTEST_GUILESS_MAIN(TestCorelinkTls)
#include "tst_corelink_tls.moc"
