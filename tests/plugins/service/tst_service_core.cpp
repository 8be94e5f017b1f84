// The service plugin against a running core: command dispatch, replies, the
// core's state behind them, and frames reaching the GUI thread.
#include "CameraInfoMetaType.h"
#include "sim/SceneRenderer.h"
#include "ServiceFixture.h"
#include "SimCore.h"

#include <QImage>
#include <QThread>
#include <QtTest>

#include "TestSuite.h"

using kelvora::core::ParamValue;

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

double valueOf(const ParamValue& value)
{
    switch (value.value_case()) {
    case ParamValue::kU32: return value.u32();
    case ParamValue::kF32: return value.f32();
    case ParamValue::kI32: return value.i32();
    default: return -1.0;
    }
}

// Records for the camera page, without the commands the recorder also hears.
QVariantList pageRecords()
{
    QVariantList result;
    for (const QVariant& entry : ServiceFixture::records())
        if (entry.toMap()["module"].toInt() != MODULE_SERVICE)
            result << entry;
    return result;
}

QStringList frameKeys(const QVariantList& records)
{
    QStringList keys;
    for (const QVariant& entry : records)
        if (entry.toMap()["id"].toInt() == MSG_FRAME)
            keys << entry.toMap()["json"].toJsonObject()["key"].toString();
    return keys;
}

// The simulator's frame n at brightness 1 equals the image, pixel for pixel.
bool equalsSceneFrame(const QImage& image, quint64 nFrame)
{
    if (image.size() != QSize(kWidth, kHeight))
        return false;
    SceneRenderer renderer(kWidth, kHeight, false);
    std::vector<unsigned char> pixels(size_t(renderer.widthStep()) * kHeight);
    renderer.render(nFrame, pixels.data());
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const unsigned char* p = &pixels[size_t(y) * renderer.widthStep() + size_t(x) * 3];
            if (image.pixel(x, y) != qRgb(p[2], p[1], p[0]))
                return false;
        }
    return true;
}

} // namespace

class TestServiceCore : public QObject
{
    Q_OBJECT

private:
    SimCore m_sim;
    ServiceFixture m_fixture;
    // What the plugins heard from the start until the connection was reported.
    QVariantList m_startRecords;

    QVariant reply(const QVariant& entry, int nMsgId)
    {
        const QVariantMap map = entry.toMap();
        if (map["module"].toInt() != MODULE_CAPTURO || map["id"].toInt() != nMsgId)
            return QVariant();
        return nMsgId == MSG_GET_CAMERA_PARAMS ? QVariant(map["json"]) : map["data"];
    }

    // Sends one command and returns what the camera page heard.
    QVariantList command(int nMsgId, const QVariant& value = QVariant())
    {
        ServiceFixture::clear();
        m_fixture.send(MODULE_SERVICE, nMsgId, value);
        return pageRecords();
    }

    double cameraValue(kelvora::core::Param param)
    {
        ParamValue value;
        return m_sim.param(param, &value) ? valueOf(value) : -1.0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_sim.start({"--width", QString::number(kWidth), "--height", QString::number(kHeight),
                             "--video-fps", "100"}));
        QVERIFY(m_sim.watchMessages());
        QVERIFY(m_fixture.start(m_sim.endpoint()));
        QVERIFY(m_fixture.waitConnected());
        // The simulator's one camera is opened by the service itself.
        QTRY_VERIFY_WITH_TIMEOUT(
            [] {
                for (const QVariant& entry : ServiceFixture::records())
                    if (entry.toMap()["id"].toInt() == MSG_OPEN_CAMERA)
                        return true;
                return false;
            }(),
            10000);
        m_startRecords = ServiceFixture::records();
    }

    void cleanupTestCase()
    {
        m_fixture.send(MODULE_SERVICE, MSG_CONTINUOUS_STOP);
        m_sim.stop();
    }

    void connectsToTheConfiguredEndpoint()
    {
        // The "ip" text reaches the core unchanged, and the core answered on it.
        QCOMPARE(m_fixture.service->property("endpoint").toString(), m_sim.endpoint());
        QVERIFY(m_fixture.service->property("connected").toBool());
        QCOMPARE(m_fixture.service->property("loadState").toInt(), 0);
        // The outcome came once the plugins were connected, followed by the
        // prompt for the camera page to read the camera.
        // Then, the core listing exactly one camera, that camera is opened for the page.
        QCOMPARE(m_startRecords.size(), 3);
        QCOMPARE(ServiceFixture::status(m_startRecords.value(0)), QString("相机初始化成功:1"));
        QCOMPARE(m_startRecords.value(1).toMap()["id"].toInt(), int(MSG_CORE_CONNECTED));
        QCOMPARE(m_startRecords.value(1).toMap()["module"].toInt(), int(MODULE_CAPTURO));
        const QVariantMap opened = m_startRecords.value(2).toMap();
        QCOMPARE(opened["module"].toInt(), int(MODULE_CAPTURO));
        QCOMPARE(opened["id"].toInt(), int(MSG_OPEN_CAMERA));
        QCOMPARE(opened["json"].toJsonObject()["camera"].toString(), QString("sim-1"));
        QCOMPARE(opened["json"].toJsonObject()["success"].toInt(), 1);
        // Asked again, the service tells the same outcome.
        ServiceFixture::clear();
        QVERIFY(QMetaObject::invokeMethod(m_fixture.service, "init"));
        QTRY_COMPARE(pageRecords().size(), 2);
        QCOMPARE(ServiceFixture::status(pageRecords().value(0)), QString("相机初始化成功:1"));
        QTest::qWait(100);
        QCOMPARE(pageRecords().size(), 2);
        ServiceFixture::clear();
    }

    void setCommandsReachTheCamera_data()
    {
        QTest::addColumn<int>("nMsgId");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("nParam");
        QTest::addColumn<double>("dExpected");
        QTest::addColumn<QString>("strStatus");

        QTest::newRow("exposure int") << int(MSG_SET_EXPOSURE) << QVariant(20000)
                                      << int(kelvora::core::PARAM_EXPOSURE) << 20000.0 << "设置曝光:1";
        QTest::newRow("exposure text") << int(MSG_SET_EXPOSURE) << QVariant("30000")
                                       << int(kelvora::core::PARAM_EXPOSURE) << 30000.0 << "设置曝光:1";
        QTest::newRow("exposure not a number") << int(MSG_SET_EXPOSURE) << QVariant("abc")
                                               << int(kelvora::core::PARAM_EXPOSURE) << -1.0 << "设置曝光:0";
        QTest::newRow("gain double") << int(MSG_SET_GAIN) << QVariant(6.5) << int(kelvora::core::PARAM_GAIN)
                                     << 6.5 << "设置增益:1";
        QTest::newRow("gain text") << int(MSG_SET_GAIN) << QVariant("12.25") << int(kelvora::core::PARAM_GAIN)
                                   << 12.25 << "设置增益:1";
        QTest::newRow("gain out of range")
            << int(MSG_SET_GAIN) << QVariant(99) << int(kelvora::core::PARAM_GAIN) << -1.0 << "设置增益:0";
        QTest::newRow("trigger gap") << int(MSG_SET_TRIGGER_GAP) << QVariant(250)
                                     << int(kelvora::core::PARAM_TRIGGER_GAP) << 250.0 << "设置Gap:1";
        QTest::newRow("trigger mode") << int(MSG_SET_TRIGGER_MODE) << QVariant(1.0)
                                      << int(kelvora::core::PARAM_TRIGGER_MODE) << 1.0 << "设置触发模式:1";
        QTest::newRow("debounce") << int(MSG_SET_DEBOUNCE) << QVariant(42)
                                  << int(kelvora::core::PARAM_DEBOUNCE) << 42.0 << "设置去抖时间:1";
        QTest::newRow("debounce out of range")
            << int(MSG_SET_DEBOUNCE) << QVariant(5000) << int(kelvora::core::PARAM_DEBOUNCE) << -1.0
            << "设置去抖时间:0";
    }

    // dExpected -1: the core refuses the value and keeps the one it had.
    void setCommandsReachTheCamera()
    {
        QFETCH(int, nMsgId);
        QFETCH(QVariant, value);
        QFETCH(int, nParam);
        QFETCH(double, dExpected);
        QFETCH(QString, strStatus);
        const auto param = kelvora::core::Param(nParam);
        const double dBefore = cameraValue(param);
        const QVariantList records = command(nMsgId, value);
        QCOMPARE(records.size(), 1);
        QCOMPARE(ServiceFixture::status(records.at(0)), strStatus);
        QCOMPARE(cameraValue(param), dExpected < 0 ? dBefore : dExpected);
    }

    void readsReplyInTheirOrder()
    {
        for (auto [nMsgId, value] : {std::pair<int, QVariant>{MSG_SET_EXPOSURE, 999999},
                                     {MSG_SET_GAIN, 3.5},
                                     {MSG_SET_TRIGGER_MODE, 1},
                                     {MSG_SET_TRIGGER_GAP, 125.5},
                                     {MSG_SET_DEBOUNCE, 77}})
            QVERIFY(ServiceFixture::status(command(nMsgId, value).value(0)).endsWith(":1"));

        QVariantList records = command(MSG_GET_EXPOSURE);
        QCOMPARE(records.size(), 2);
        QCOMPARE(ServiceFixture::status(records[0]), QString("获取曝光:1"));
        QCOMPARE(reply(records[1], MSG_GET_EXPOSURE).userType(), int(QMetaType::UInt));
        QCOMPARE(reply(records[1], MSG_GET_EXPOSURE).toUInt(), 999999u);

        records = command(MSG_GET_GAIN);
        QCOMPARE(records.size(), 2);
        QCOMPARE(ServiceFixture::status(records[0]), QString("获取增益:1"));
        QCOMPARE(reply(records[1], MSG_GET_GAIN).userType(), int(QMetaType::Float));
        QCOMPARE(reply(records[1], MSG_GET_GAIN).toFloat(), 3.5f);

        records = command(MSG_GET_DEBOUNCE);
        QCOMPARE(records.size(), 2);
        QCOMPARE(ServiceFixture::status(records[0]), QString("获取去抖时间:1"));
        QCOMPARE(reply(records[1], MSG_GET_DEBOUNCE).userType(), int(QMetaType::Int));
        QCOMPARE(reply(records[1], MSG_GET_DEBOUNCE).toInt(), 77);

        // These three answer before their status text.
        records = command(MSG_GET_TRIGGER_MODE);
        QCOMPARE(records.size(), 2);
        QCOMPARE(reply(records[0], MSG_GET_TRIGGER_MODE).userType(), int(QMetaType::Int));
        QCOMPARE(reply(records[0], MSG_GET_TRIGGER_MODE).toInt(), 1);
        QCOMPARE(ServiceFixture::status(records[1]), QString("获取触发模式:1"));

        records = command(MSG_GET_CAMERA_INFO);
        QCOMPARE(records.size(), 2);
        const QVariant info = reply(records[0], MSG_GET_CAMERA_INFO);
        QCOMPARE(info.userType(), QMetaType::type("CameraInfo"));
        const CameraInfo ranges = info.value<CameraInfo>();
        QCOMPARE(ranges.nExposureMin, 20u);
        QCOMPARE(ranges.nExposureMax, 1000000u);
        QCOMPARE(ranges.fGainMax, 24.0f);
        QCOMPARE(ranges.nDebounceMax, 1000);
        QCOMPARE(ranges.fTriggerGapMin, 1.0f);
        // The simulated camera can choose its trigger's edge: said beside the record.
        QCOMPARE(records[0].toMap()["json"].toJsonObject().value("trigger_activation"), QJsonValue(true));
        QCOMPARE(ServiceFixture::status(records[1]), QString("获取相机增益成功:1"));

        records = command(MSG_GET_CAMERA_PARAMS);
        QCOMPARE(records.size(), 2);
        const QJsonObject json = reply(records[0], MSG_GET_CAMERA_PARAMS).toJsonObject();
        QCOMPARE(json,
                 QJsonObject({{"exposure", 999999.0},
                              {"gain", 3.5},
                              {"trigger_mode", 1},
                              {"trigger_gap", 125.5},
                              {"camera", "sim-1"}}));
        QVERIFY(json["trigger_mode"].toVariant().userType() != QMetaType::Double);
        QCOMPARE(ServiceFixture::status(records[1]), QString("获取相机参数值成功:1"));
    }

    void shootingModesReachTheCore()
    {
        struct Step
        {
            int nMsgId;
            QString strStatus;
            std::string strState;
        };
        const Step steps[] = {{MSG_CONTINUOUS_START, "调用连续拍照:1", "continuous"},
                              {MSG_CONTINUOUS_STOP, "调用连续拍照结束:1", "idle"},
                              {MSG_CONTINUOUS_PHOTO, "调用连续拍照接口:1", "continuous"},
                              {MSG_CONTINUOUS_STOP, "调用连续拍照结束:1", "idle"},
                              {MSG_VIDEO_MODE_ON, "调用视频模式:1", "video"},
                              {MSG_VIDEO_MODE_OFF, "关闭视频:1", "idle"}};
        for (const Step& step : steps) {
            m_sim.clearMessages();
            QCOMPARE(ServiceFixture::status(command(step.nMsgId).value(0)), step.strStatus);
            QVERIFY2(m_sim.waitForMessage("\"state\":\"" + step.strState + "\"", 2000),
                     step.strState.c_str());
        }
        QTest::qWait(200);
    }

    void idsOutsideTheListChangeOnlyTheUiHandle()
    {
        QWidget handle;
        const double dExposure = cameraValue(kelvora::core::PARAM_EXPOSURE);
        m_sim.clearMessages();
        for (int nMsgId : {0, 5, 6, 7, 23}) {
            m_fixture.send(MODULE_SERVICE, 0); // clears the handle
            QCOMPARE(m_fixture.service->property("uiObject").value<QObject*>(), nullptr);
            ServiceFixture::clear();
            m_fixture.send(MODULE_SERVICE, nMsgId, 50000, &handle);
            QVERIFY2(pageRecords().isEmpty(), qPrintable(QString::number(nMsgId)));
            QCOMPARE(m_fixture.service->property("uiObject").value<QObject*>(), &handle);
        }
        QTest::qWait(200);
        QVERIFY(m_sim.messages().empty());
        QCOMPARE(cameraValue(kelvora::core::PARAM_EXPOSURE), dExposure);

        // Another module's record still hands over its widget.
        QWidget other;
        m_fixture.send(MODULE_CAPTURO, MSG_PAGE_ACTIVATED, QVariant(), &other);
        QCOMPARE(m_fixture.service->property("uiObject").value<QObject*>(), &other);
    }

    void photoArrivesAsFrameOnTheGuiThread()
    {
        command(MSG_SET_EXPOSURE, 10000);
        command(MSG_SET_GAIN, 0);
        for (bool bFileBlocked : {false, true}) {
            // A folder in the file's place makes the hand-over file unusable.
            if (bFileBlocked) {
                // The file is written on a thread of its own and may come back between
                // the removal and the folder; once the folder stands, nothing replaces it.
                QTRY_COMPARE_WITH_TIMEOUT(QImage("test.bmp").width(), kWidth, 5000);
                bool bBlocked = false;
                for (int nTry = 0; nTry < 100 && !bBlocked; ++nTry) {
                    QFile::remove("test.bmp");
                    bBlocked = QDir().mkdir("test.bmp");
                    if (!bBlocked)
                        QTest::qWait(50);
                }
                QVERIFY(bBlocked);
            }
            QVariantList records = command(MSG_TAKE_PHOTO);
            QCOMPARE(ServiceFixture::status(records.value(0)), QString("调用相机拍照接口:1"));
            QTRY_COMPARE(pageRecords().size(), 3);
            records = pageRecords().mid(1);
            const QVariantMap frame = records[0].toMap();
            QCOMPARE(frame["module"].toInt(), int(MODULE_CAPTURO));
            QCOMPARE(frame["id"].toInt(), int(MSG_FRAME));
            QVERIFY(frame["gui"].toBool());
            const QJsonObject json = frame["json"].toJsonObject();
            QCOMPARE(json["width"], QJsonValue(kWidth));
            QCOMPARE(json["height"], QJsonValue(kHeight));
            bool bNumber = false;
            const quint64 nKey = json["key"].toString().toULongLong(&bNumber);
            QVERIFY(bNumber && nKey > 0);
            QVERIFY(equalsSceneFrame(frame["data"].value<QImage>(), nKey));
            QCOMPARE(ServiceFixture::status(records[1]), QString("相机获取拍照成功:1"));
            QVERIFY(records[1].toMap()["gui"].toBool());
        }
        QVERIFY(QDir().rmdir("test.bmp"));
    }

    void stalledGuiSeesOnlyTheNewestFrames()
    {
        const qulonglong nDroppedBefore = m_fixture.service->property("droppedFrames").toULongLong();
        command(MSG_VIDEO_MODE_ON);
        QThread::msleep(600);
        command(MSG_VIDEO_MODE_OFF);
        QThread::msleep(300);
        ServiceFixture::clear();
        QTest::qWait(300);
        const QVariantList records = pageRecords();
        const QStringList keys = frameKeys(records);
        // About 60 frames came in while the GUI thread was held; two were kept.
        QVERIFY2(keys.size() >= 1 && keys.size() <= 3, qPrintable(keys.join(',')));
        QVERIFY(m_fixture.service->property("droppedFrames").toULongLong() - nDroppedBefore >= 30);
        QCOMPARE(records.size(), 2 * keys.size());

        // The drop count is in the service's own log. Other test programs write
        // "RpcService" files into the same folder at the same time, so look for
        // the one that holds this run's lines.
        const QDir logs(QCoreApplication::applicationDirPath() + "/Logs");
        bool bFound = false;
        for (const QFileInfo& info : logs.entryInfoList({"RpcService_*.log"}, QDir::Files, QDir::Time)) {
            QFile log(info.absoluteFilePath());
            if (!log.open(QIODevice::ReadOnly))
                continue;
            const QByteArray text = log.readAll();
            if (text.contains("Warning:: 显示丢弃的帧: ") && text.contains("Info: 初始化Rpc服务")) {
                bFound = true;
                break;
            }
        }
        QVERIFY(bFound);
    }
};

KELVORA_TEST_MAIN(TestServiceCore)
#include "tst_service_core.moc"
