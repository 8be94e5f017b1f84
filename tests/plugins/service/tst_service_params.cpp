// Every row of the camera parameter table, walked through the real service and
// the real simulator core: a value out of range refused with the core's reason, a
// value in range carried out, read back in the row's order, and put back by the
// service when the core restarted. A row added without its handler anywhere on
// that path (bus ids, dispatch, client library, range check, simulator) fails here.
#include "ServiceFixture.h"
#include "SimCore.h"
#include "TestSuite.h"
#include "corelink/CameraParamTable.h"
#include "server/ParamCheck.h"

#include <QtTest>

#include <limits>

using kelvora::core::ParamValue;

namespace {

const char* const kBack = "已重新连接视觉核心，相机设置已恢复:1";

double valueOf(const ParamValue& value)
{
    switch (value.value_case()) {
    case ParamValue::kU32: return value.u32();
    case ParamValue::kF32: return value.f32();
    case ParamValue::kI32: return value.i32();
    default: return std::numeric_limits<double>::quiet_NaN();
    }
}

// The records for the camera page, without the commands the recorder also hears.
QVariantList pageRecords()
{
    QVariantList result;
    for (const QVariant& entry : ServiceFixture::records())
        if (entry.toMap()["module"].toInt() == MODULE_CAPTURO)
            result << entry;
    return result;
}

QString reasonOf(const QVariant& entry)
{
    return entry.toMap()["json"].toJsonObject().value("reason").toString();
}

} // namespace

class TestServiceParams : public QObject
{
    Q_OBJECT

private:
    SimCore m_sim;
    ServiceFixture m_fixture;
    kelvora::core::CameraRanges m_ranges;

    double cameraValue(const CameraParam& param)
    {
        ParamValue value;
        return m_sim.param(kelvora::core::Param(param.nProtoParam), &value)
            ? valueOf(value)
            : std::numeric_limits<double>::quiet_NaN();
    }

    // The top of the row's range, as the page sends it: a whole number. It differs
    // from every default of the simulator, so a restore that missed it shows.
    int inRange(const CameraParam& param)
    {
        double dMin = 0.0;
        double dMax = 0.0;
        if (!ParamCheck::bounds(param, m_ranges, &dMin, &dMax))
            return 0;
        return int(dMax);
    }

    QVariantList command(int nMsgId, const QVariant& value = QVariant())
    {
        ServiceFixture::clear();
        m_fixture.send(MODULE_SERVICE, nMsgId, value);
        return pageRecords();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_sim.start({"--width", "64", "--height", "48"}));
        QVERIFY(m_fixture.start(m_sim.endpoint()));
        QVERIFY(m_fixture.waitConnected());
        QVERIFY(m_sim.ranges(&m_ranges));
    }

    void cleanupTestCase() { m_sim.stop(); }

    void everyRowIsSetCheckedAndRead_data()
    {
        QTest::addColumn<int>("nRow");
        for (int i = 0; i < int(std::size(kCameraParams)); ++i)
            QTest::newRow(kCameraParams[i].pName) << i;
    }

    void everyRowIsSetCheckedAndRead()
    {
        QFETCH(int, nRow);
        const CameraParam& param = kCameraParams[nRow];
        double dMin = 0.0;
        double dMax = 0.0;
        QVERIFY2(ParamCheck::bounds(param, m_ranges, &dMin, &dMax), "the row's range fields exist");
        const int nValue = inRange(param);
        QVERIFY(nValue != int(cameraValue(param)));

        // Past the top: refused with the core's reason, the camera keeps its value.
        const double dBefore = cameraValue(param);
        QVariantList heard = command(param.nSetMsg, int(dMax) + 1);
        QCOMPARE(heard.size(), 1);
        QCOMPARE(ServiceFixture::status(heard[0]), QString("%1:0").arg(QString::fromUtf8(param.pSetText)));
        QVERIFY2(reasonOf(heard[0]).contains("outside"), qPrintable(reasonOf(heard[0])));
        QVERIFY(reasonOf(heard[0]).contains(param.pName));
        QCOMPARE(cameraValue(param), dBefore);

        // In range: carried out, the status says so without a reason.
        heard = command(param.nSetMsg, nValue);
        QCOMPARE(heard.size(), 1);
        QCOMPARE(ServiceFixture::status(heard[0]), QString("%1:1").arg(QString::fromUtf8(param.pSetText)));
        QVERIFY(reasonOf(heard[0]).isEmpty());
        QCOMPARE(cameraValue(param), double(nValue));

        if (param.nGetMsg == 0)
            return;
        // Read back: the reply carries the value, before or after its status as the row says.
        heard = command(param.nGetMsg);
        QCOMPARE(heard.size(), 2);
        const QVariant replied = heard[param.bReplyFirst ? 0 : 1];
        const QVariant said = heard[param.bReplyFirst ? 1 : 0];
        QCOMPARE(ServiceFixture::status(said), QString("%1:1").arg(QString::fromUtf8(param.pGetText)));
        QCOMPARE(replied.toMap()["id"].toInt(), param.nGetMsg);
        QCOMPARE(replied.toMap()["data"].toDouble(), double(nValue));
    }

    // The core restarts with its defaults; the service puts every row back.
    void everyRowIsRestoredAfterTheCoreRestarted()
    {
        const int nPort = m_sim.port();
        ServiceFixture::clear();
        m_sim.stop();
        QVERIFY(m_sim.start({"--width", "64", "--height", "48"}, nPort));
        QVERIFY(ServiceFixture::waitForStatus(kBack, 15000));
        for (const CameraParam& param : kCameraParams)
            QVERIFY2(cameraValue(param) == double(inRange(param)), param.pName);
    }
};

KELVORA_TEST_MAIN(TestServiceParams)
#include "tst_service_params.moc"
