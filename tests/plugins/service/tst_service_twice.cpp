// The service plugin and a recording plugin, each listed twice in
// plugins.json, loaded by the real plugin manager against a core of the
// test's own: one click sends one command, and each record arrives once.
#include "HostileCore.h"
#include "ServiceFixture.h"

#include <QtTest>

#include "TestSuite.h"

using namespace std::chrono_literals;

class TestServiceTwice : public QObject
{
    Q_OBJECT

private:
    HostileCore m_core;
    ServiceFixture m_fixture;

    static QVariantList frameRecords()
    {
        QVariantList result;
        for (const QVariant& entry : ServiceFixture::records()) {
            const QVariantMap map = entry.toMap();
            if (map["module"].toInt() == MODULE_CAPTURO && map["id"].toInt() == MSG_FRAME)
                result << entry;
        }
        return result;
    }

    static int statusCount(const QString& strStatus)
    {
        int nCount = 0;
        for (const QVariant& entry : ServiceFixture::records())
            nCount += ServiceFixture::status(entry) == strStatus ? 1 : 0;
        return nCount;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_core.start());
        for (const char* name : {"service.so", "service_recorder.so"})
            QTest::ignoreMessage(
                QtWarningMsg,
                qPrintable(
                    QString::fromUtf8("plugins/%1 在 plugins/plugins.json 中重复列出: 只加载并连接一次")
                        .arg(name)));
        QVERIFY(m_fixture.start(QString::fromStdString(m_core.endpoint()), 2));
        QVERIFY(m_fixture.waitConnected());
        QVERIFY(m_core.waitForSubscribers(1, 1, 5s));
    }

    void oneClickIsOneCommand()
    {
        ServiceFixture::clear();
        m_fixture.send(MODULE_SERVICE, MSG_TAKE_PHOTO);
        QCOMPARE(m_core.commands(), 1);
        QCOMPARE(statusCount("调用相机拍照接口:1"), 1);
    }

    void eachFrameRecordArrivesOnce()
    {
        ServiceFixture::clear();
        m_core.sendFrame(HostileCore::frame(16, 8, kelvora::core::PIXEL_BGR, 90, 31));
        QTRY_COMPARE(statusCount("相机获取拍照成功:1"), 1);
        QTest::qWait(200);
        const QVariantList frames = frameRecords();
        QCOMPARE(frames.size(), 1);
        const QVariantMap frame = frames[0].toMap();
        QCOMPARE(frame["json"].toJsonObject()["key"].toString(), QString("31"));
        QCOMPARE(frame["data"].value<QImage>().pixel(15, 7), qRgb(90, 90, 90));
        QCOMPARE(statusCount("相机获取拍照成功:1"), 1);
    }

    void cleanupTestCase() { m_core.stop(); }
};

KELVORA_TEST_MAIN(TestServiceTwice)
#include "tst_service_twice.moc"
