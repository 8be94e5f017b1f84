// The service plugin when no core answers at start: it keeps trying in the
// background, keeps accepting commands, reports each as failed at once and
// never invents a reply.
#include "ServiceFixture.h"
#include "SimCore.h"

#include <QTimer>
#include <QJsonArray>
#include <QtTest>

#include "TestSuite.h"

class TestServiceCoreDown : public QObject
{
    Q_OBJECT

private:
    ServiceFixture m_fixture;
    QString m_strEndpoint;

private slots:
    void initTestCase()
    {
        m_strEndpoint = QString("127.0.0.1:%1").arg(SimCore::unusedPort());
        QVERIFY(m_fixture.start(m_strEndpoint));
    }

    void startReportsFailure()
    {
        QCOMPARE(m_fixture.service->property("endpoint").toString(), m_strEndpoint);
        // Told once the plugins are connected, and once only while the
        // service keeps trying in the background.
        QVERIFY(ServiceFixture::waitForStatus("相机初始化失败:0", 3000));
        QVERIFY(!m_fixture.service->property("connected").toBool());
        QTest::qWait(2500);
        QCOMPARE(ServiceFixture::records().size(), 1);
        ServiceFixture::clear();
        // Asked again, the service tells the same outcome.
        QVERIFY(QMetaObject::invokeMethod(m_fixture.service, "init"));
        QVERIFY(ServiceFixture::waitForStatus("相机初始化失败:0", 1000));
        QTest::qWait(100);
        QCOMPARE(ServiceFixture::records().size(), 1);
    }

    void commandsFailWithoutReplies_data()
    {
        QTest::addColumn<int>("nMsgId");
        QTest::addColumn<QString>("strStatus");
        QTest::newRow("3") << int(MSG_TAKE_PHOTO) << "调用相机拍照接口:0";
        QTest::newRow("4") << int(MSG_CONTINUOUS_PHOTO) << "调用连续拍照接口:0";
        QTest::newRow("8") << int(MSG_VIDEO_MODE_ON) << "调用视频模式:0";
        QTest::newRow("9") << int(MSG_VIDEO_MODE_OFF) << "关闭视频:0";
        QTest::newRow("10") << int(MSG_SET_EXPOSURE) << "设置曝光:0";
        QTest::newRow("11") << int(MSG_GET_EXPOSURE) << "获取曝光:0";
        QTest::newRow("12") << int(MSG_SET_GAIN) << "设置增益:0";
        QTest::newRow("13") << int(MSG_GET_GAIN) << "获取增益:0";
        QTest::newRow("14") << int(MSG_SET_TRIGGER_GAP) << "设置Gap:0";
        QTest::newRow("15") << int(MSG_SET_TRIGGER_MODE) << "设置触发模式:0";
        QTest::newRow("16") << int(MSG_GET_TRIGGER_MODE) << "获取触发模式:0";
        QTest::newRow("17") << int(MSG_SET_DEBOUNCE) << "设置去抖时间:0";
        QTest::newRow("18") << int(MSG_GET_DEBOUNCE) << "获取去抖时间:0";
        QTest::newRow("19") << int(MSG_GET_CAMERA_INFO) << "获取相机增益失败:0";
        QTest::newRow("20") << int(MSG_GET_CAMERA_PARAMS) << "获取相机参数值失败:0";
        QTest::newRow("21") << int(MSG_CONTINUOUS_START) << "调用连续拍照:0";
        QTest::newRow("22") << int(MSG_CONTINUOUS_STOP) << "调用连续拍照结束:0";
    }

    void commandsFailWithoutReplies()
    {
        QFETCH(int, nMsgId);
        QFETCH(QString, strStatus);
        // A timer on the GUI thread keeps ticking: no command holds the thread.
        int nTicks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&nTicks] { ++nTicks; });
        ticker.start(5);

        ServiceFixture::clear();
        m_fixture.send(MODULE_SERVICE, nMsgId, 100);
        // Answered before the command returns: nothing waited for a core.
        QCOMPARE(ServiceFixture::records().size(), 2);
        QTest::qWait(100);
        // The recorder hears the command itself and exactly one status: no reply, no frame.
        const QVariantList records = ServiceFixture::records();
        QCOMPARE(records.size(), 2);
        QCOMPARE(ServiceFixture::status(records.at(0)), strStatus);
        QCOMPARE(records.at(1).toMap()["module"].toInt(), int(MODULE_SERVICE));
        QVERIFY(nTicks > 0);
    }

    void listSaysWhyThereIsNone()
    {
        ServiceFixture::clear();
        auto answers = [] {
            QList<QJsonObject> list;
            for (const QVariant& entry : ServiceFixture::records()) {
                const QVariantMap map = entry.toMap();
                if (map["module"].toInt() == MODULE_SCANVOR && map["id"].toInt() == MSG_LIST_CAMERAS)
                    list << map["json"].toJsonObject();
            }
            return list;
        };
        m_fixture.send(MODULE_SERVICE, MSG_LIST_CAMERAS);
        // Acknowledged before the dispatch returned; the answer names the core not reached.
        QCOMPARE(answers().size(), 1);
        QCOMPARE(answers().at(0), QJsonObject({{"ack", true}}));
        QTRY_COMPARE_WITH_TIMEOUT(answers().size(), 2, 10000);
        const QJsonObject answer = answers().at(1);
        QVERIFY(answer["cameras"].toArray().isEmpty());
        QCOMPARE(answer["legacy"].toBool(), false);
        QVERIFY2(answer["error"].toString().contains(m_strEndpoint), qPrintable(answer["error"].toString()));
    }
};

KELVORA_TEST_MAIN(TestServiceCoreDown)
#include "tst_service_coredown.moc"
