// The service plugin without config.ini: it uses the endpoint beside it.
#include "ServiceFixture.h"
#include "SimCore.h"

#include <QtTest>

#include "TestSuite.h"

class TestServiceNoConfig : public QObject
{
    Q_OBJECT

private slots:
    void usesTheDefaultEndpoint()
    {
        // A core on the default port if that port is free on this machine.
        SimCore sim;
        const bool bOwnCore = sim.start({"--width", "32", "--height", "24"}, 20020);
        ServiceFixture fixture;
        QVERIFY(fixture.start(QString()));
        QVERIFY(!QFile::exists("config.ini"));
        QCOMPARE(fixture.service->property("endpoint").toString(), QString("127.0.0.1:20020"));
        if (!bOwnCore)
            QSKIP("port 20020 is taken on this machine; the endpoint text was checked");
        QVERIFY(fixture.waitConnected());
        ServiceFixture::clear();
        fixture.send(MODULE_SERVICE, MSG_GET_DEBOUNCE);
        const QVariantList records = ServiceFixture::records();
        QCOMPARE(ServiceFixture::status(records.value(0)), QString("获取去抖时间:1"));
        QCOMPARE(records.value(1).toMap()["data"].toInt(), 10);
    }
};

KELVORA_TEST_MAIN(TestServiceNoConfig)
#include "tst_service_noconfig.moc"
