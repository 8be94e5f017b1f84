// A station of two cameras behind the real simulator: the service lists them for
// the home page (acknowledged before the list), opens and closes them in the core,
// sends every command to the camera its record names (else the first one open),
// tags everything that comes back with its camera, and saves each camera's
// frames apart. Also run under ThreadSanitizer.
#include "RpcService.h"
#include "RunFolder.h"
#include "SaveProbe.h"
#include "Service.h"
#include "SimCore.h"
#include "corelink/CCommFactoryRPC.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

PluginMetaData command(int nMsgId, const QString& strCamera, const QVariant& value = QVariant())
{
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = nMsgId;
    plt.varData = value;
    if (!strCamera.isNull())
        plt.jsonData.insert("camera", strCamera);
    return plt;
}

// The mean grey of an image: what the exposure shows in the pixels.
double meanGrey(const QImage& image)
{
    if (image.isNull())
        return -1.0;
    double dSum = 0.0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            dSum += qGray(image.pixel(x, y));
    return dSum / (double(image.width()) * image.height());
}

CameraListing::State coreState(CCommBase& comm, const std::string& strId)
{
    std::vector<CameraListing> cameras;
    if (comm.listCameras(&cameras, false) != 0)
        return CameraListing::State(-1);
    for (const CameraListing& camera : cameras)
        if (camera.strId == strId)
            return camera.state;
    return CameraListing::State(-1);
}

} // namespace

class TestServiceCameras : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    SimCore m_sim;
    RunFolder m_run;
    std::unique_ptr<Service> m_pService;
    SaveProbe m_bus;
    // Another client of the same core, to see what the core holds for whom.
    std::shared_ptr<CCommBase> m_pOther;
    QString m_qsSecondCaption;

    QList<PluginMetaData> records(int nModule, int nMsgId, const QString& strCamera = QString()) const
    {
        QList<PluginMetaData> result;
        for (const PluginMetaData& plt : m_bus.records)
            if (plt.nModule == nModule && plt.nMsgId == nMsgId
                && (strCamera.isNull() || plt.jsonData.value("camera").toString() == strCamera))
                result << plt;
        return result;
    }
    QStringList statuses(const QString& strCamera) const
    {
        QStringList texts;
        for (const PluginMetaData& plt : records(MODULE_CAPTURO, MSG_RESULT, strCamera))
            texts << QString("%1:%2")
                         .arg(plt.jsonData["result"].toString())
                         .arg(plt.jsonData["success"].toInt());
        return texts;
    }
    void send(const PluginMetaData& plt) { m_pService->slotEventFromPlugins(plt); }

    // Opens a camera as the home page does and waits for the answer.
    QJsonObject open(const QString& strCamera)
    {
        const int nBefore = records(MODULE_CAPTURO, MSG_OPEN_CAMERA, strCamera).size();
        send(command(MSG_OPEN_CAMERA, strCamera));
        if (!QTest::qWaitFor(
                [&] { return records(MODULE_CAPTURO, MSG_OPEN_CAMERA, strCamera).size() > nBefore; }, 15000))
            return QJsonObject();
        return records(MODULE_CAPTURO, MSG_OPEN_CAMERA, strCamera).last().jsonData;
    }

    // One photo of a camera; its frame record.
    PluginMetaData photo(const QString& strCamera)
    {
        const QString strTag = strCamera.isNull() ? RpcService::instance().firstOpenCamera() : strCamera;
        const int nBefore = records(MODULE_CAPTURO, MSG_FRAME, strTag).size();
        send(command(MSG_TAKE_PHOTO, strCamera));
        if (!QTest::qWaitFor([&] { return records(MODULE_CAPTURO, MSG_FRAME, strTag).size() > nBefore; },
                             15000))
            return PluginMetaData();
        return records(MODULE_CAPTURO, MSG_FRAME, strTag).last();
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        QVERIFY(m_sim.start({"--simulated", "2", "--width", "64", "--height", "48"}));
        QVERIFY(m_run.writeConfig(m_sim.endpoint()));
        QVERIFY(m_run.enter());
        m_pService = std::make_unique<Service>();
        connect(m_pService.get(), &DTPluginBase::sendSignalToPlugins, &m_bus,
                &SaveProbe::slotEventFromPlugins);
        // As the host does once the plugins are connected: the outcomes go out from now on.
        m_pService->loadUI();
        QTRY_VERIFY_WITH_TIMEOUT(m_pService->isConnected(), 10000);
        Json::Value settings;
        settings["rpc"]["ip"] = m_sim.endpoint().toStdString();
        m_pOther = CCommFactoryRPC::instance().create(1);
        QVERIFY(m_pOther && m_pOther->init(settings) == 0);
    }

    void cleanupTestCase()
    {
        if (m_pOther)
            m_pOther->uninit();
        m_pService.reset();
        m_sim.stop();
    }

    void listIsAcknowledgedThenAnswered()
    {
        // Two cameras and nothing in config.ini: nothing is opened by itself.
        QTRY_VERIFY_WITH_TIMEOUT(m_pService->waitCameraCalls(100), 10000);
        QVERIFY(records(MODULE_CAPTURO, MSG_OPEN_CAMERA).isEmpty());

        m_bus.records.clear();
        send(command(MSG_LIST_CAMERAS, QString()));
        // Acknowledged before the dispatch returned; the list follows later.
        QList<PluginMetaData> answers = records(MODULE_SCANVOR, MSG_LIST_CAMERAS);
        QCOMPARE(answers.size(), 1);
        QCOMPARE(answers[0].jsonData, QJsonObject({{"ack", true}}));
        QTRY_COMPARE_WITH_TIMEOUT(records(MODULE_SCANVOR, MSG_LIST_CAMERAS).size(), 2, 15000);
        const QJsonObject list = records(MODULE_SCANVOR, MSG_LIST_CAMERAS).at(1).jsonData;
        QCOMPARE(list["error"].toString(), QString());
        QCOMPARE(list["legacy"].toBool(), false);
        const QJsonArray cameras = list["cameras"].toArray();
        QCOMPARE(cameras.size(), 2);
        QStringList ids;
        for (const QJsonValue& value : cameras) {
            const QJsonObject camera = value.toObject();
            ids << camera["id"].toString();
            for (const char* pField : {"id", "vendor", "model", "serial", "interface", "address", "state"})
                QVERIFY2(!camera[pField].toString().isEmpty(), pField);
            QVERIFY(camera.contains("name"));
            QCOMPARE(camera["interface"].toString(), QString("simulated"));
            QCOMPARE(camera["state"].toString(), QString("free"));
        }
        QCOMPARE(ids, QStringList({"sim-1", "sim-2"}));
        QVERIFY(cameras[0].toObject()["serial"] != cameras[1].toObject()["serial"]);
    }

    void twoCamerasOpenAndTakeTheirOwnCommands()
    {
        m_bus.records.clear();
        const QJsonObject first = open("sim-1");
        QCOMPARE(first["success"].toInt(), 1);
        QCOMPARE(first["error"].toString(), QString());
        QCOMPARE(first["state"].toString(), QString("open"));
        // No user-defined name: the caption is model and serial.
        QCOMPARE(first["caption"].toString(), first["model"].toString() + " " + first["serial"].toString());
        const QJsonObject second = open("sim-2");
        QCOMPARE(second["success"].toInt(), 1);
        m_qsSecondCaption = second["caption"].toString();
        QVERIFY(m_qsSecondCaption != first["caption"].toString());
        QCOMPARE(coreState(*m_pOther, "sim-1"), CameraListing::InUse);
        QCOMPARE(coreState(*m_pOther, "sim-2"), CameraListing::InUse);
        QCOMPARE(RpcService::instance().openCameras(), QStringList({"sim-1", "sim-2"}));

        // A camera that is not there is refused with a reason.
        const QJsonObject missing = open("sim-9");
        QCOMPARE(missing["success"].toInt(), 0);
        QVERIFY(!missing["error"].toString().isEmpty());

        // Each camera its own exposure, visible in its pixels (the scene moves from
        // frame to frame, so a fifth of the light is asked to show as under half).
        send(command(MSG_SET_EXPOSURE, "sim-1", 2000));
        send(command(MSG_SET_EXPOSURE, "sim-2", 10000));
        QVERIFY(statuses("sim-1").contains("设置曝光:1"));
        QVERIFY(statuses("sim-2").contains("设置曝光:1"));
        const PluginMetaData dark = photo("sim-1");
        const PluginMetaData bright = photo("sim-2");
        QCOMPARE(dark.jsonData["camera"].toString(), QString("sim-1"));
        QCOMPARE(bright.jsonData["camera"].toString(), QString("sim-2"));
        const double dDark = meanGrey(dark.varData.value<QImage>());
        const double dBright = meanGrey(bright.varData.value<QImage>());
        QVERIFY2(dDark > 0 && dBright > 2 * dDark, qPrintable(QString("%1 vs %2").arg(dDark).arg(dBright)));
        QVERIFY(statuses("sim-2").contains("调用相机拍照接口:1"));
        QVERIFY(statuses("sim-2").contains("相机获取拍照成功:1"));

        // A record naming no camera addresses the first one opened; the reply says so.
        send(command(MSG_GET_EXPOSURE, QString()));
        const QList<PluginMetaData> exposures = records(MODULE_CAPTURO, MSG_GET_EXPOSURE);
        QCOMPARE(exposures.size(), 1);
        QCOMPARE(exposures[0].jsonData["camera"].toString(), QString("sim-1"));
        QCOMPARE(exposures[0].varData.toUInt(), 2000u);
        const PluginMetaData untagged = photo(QString());
        QCOMPARE(untagged.jsonData["camera"].toString(), QString("sim-1"));
        QVERIFY(meanGrey(untagged.varData.value<QImage>()) * 2 < dBright);

        // Every record about a camera carries it.
        for (const PluginMetaData& plt : m_bus.records)
            if (plt.nModule == MODULE_CAPTURO && plt.nMsgId != MSG_OPEN_CAMERA)
                QVERIFY2(plt.jsonData.value("camera").toString().startsWith("sim-"),
                         qPrintable(QString::number(plt.nMsgId)));

        // The figures come per camera.
        send(command(MSG_FIGURES_REQUEST, QString(), true));
        send(command(MSG_FIGURES_REQUEST, QString(), false));
        QCOMPARE(records(MODULE_CAPTURO, MSG_FIGURES, "sim-1").size(), 1);
        QCOMPARE(records(MODULE_CAPTURO, MSG_FIGURES, "sim-2").size(), 1);
        QVERIFY(records(MODULE_CAPTURO, MSG_FIGURES, "sim-2").at(0).jsonData["received"].toDouble() >= 1);
    }

    void eachCameraSavesApart()
    {
        QTemporaryDir folder;
        QFile::remove("test.bmp");
        for (const char* pCamera : {"sim-1", "sim-2"}) {
            PluginMetaData settings = saveSettings(true, folder.path());
            settings.jsonData.insert("camera", pCamera);
            send(settings);
        }
        m_bus.records.clear();
        const QString qsDarkKey = photo("sim-1").jsonData["key"].toString();
        const QString qsBrightKey = photo("sim-2").jsonData["key"].toString();
        QTRY_COMPARE_WITH_TIMEOUT(records(MODULE_CAPTURO, MSG_FRAME_SAVED).size(), 2, 15000);

        // The first opened camera into the folder itself, the other into a folder named after it.
        const QList<PluginMetaData> savedFirst = records(MODULE_CAPTURO, MSG_FRAME_SAVED, "sim-1");
        const QList<PluginMetaData> savedSecond = records(MODULE_CAPTURO, MSG_FRAME_SAVED, "sim-2");
        QCOMPARE(savedFirst.size(), 1);
        QCOMPARE(savedSecond.size(), 1);
        const QFileInfo firstFile(savedFirst[0].jsonData["file"].toString());
        const QFileInfo secondFile(savedSecond[0].jsonData["file"].toString());
        QCOMPARE(firstFile.absolutePath(), QDir(folder.path()).absolutePath());
        QCOMPARE(firstFile.fileName(), qsDarkKey + ".bmp");
        QCOMPARE(secondFile.absolutePath(), QDir(folder.path()).filePath(m_qsSecondCaption));
        QCOMPARE(secondFile.fileName(), qsBrightKey + ".bmp");
        QVERIFY(meanGrey(QImage(firstFile.filePath())) * 2 < meanGrey(QImage(secondFile.filePath())));

        // The hand-over file carries the first opened camera's frames only.
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists("test.bmp"), 10000);
        for (int i = 0; i < 3; ++i)
            photo("sim-2");
        QVERIFY(meanGrey(QImage("test.bmp")) * 2
                < meanGrey(records(MODULE_CAPTURO, MSG_FRAME, "sim-2").last().varData.value<QImage>()));
        for (const char* pCamera : {"sim-1", "sim-2"}) {
            PluginMetaData settings = saveSettings(false, folder.path());
            settings.jsonData.insert("camera", pCamera);
            send(settings);
        }
        QVERIFY(m_pService->cameraFor("sim-2").saveQueue().waitIdle(10000));
    }

    void aFloodingCameraCostsAnotherNoFrame()
    {
        m_bus.records.clear();
        send(command(MSG_VIDEO_MODE_ON, "sim-1"));
        QTRY_VERIFY_WITH_TIMEOUT(records(MODULE_CAPTURO, MSG_FRAME, "sim-1").size() >= 3, 15000);
        // The GUI thread stops while the first camera streams and the second one's
        // photo arrives: the first one's frames give way to its newest, the photo stays.
        StationCamera& second = m_pService->cameraFor("sim-2");
        const quint64 nSecondBefore = second.received();
        const quint64 nFirstDropped = m_pService->cameraFor("sim-1").dropped();
        send(command(MSG_TAKE_PHOTO, "sim-2"));
        QElapsedTimer waited;
        waited.start();
        while (second.received() == nSecondBefore && waited.elapsed() < 15000)
            QThread::msleep(10);
        QCOMPARE(second.received(), nSecondBefore + 1);
        const quint64 nFirstReceived = m_pService->cameraFor("sim-1").received();
        while (m_pService->cameraFor("sim-1").received() < nFirstReceived + 2 * Service::kFramesInFlight
               && waited.elapsed() < 30000)
            QThread::msleep(10);
        QVERIFY(m_pService->cameraFor("sim-1").dropped() > nFirstDropped);
        QTRY_COMPARE_WITH_TIMEOUT(records(MODULE_CAPTURO, MSG_FRAME, "sim-2").size(), 1, 15000);
        QCOMPARE(second.dropped(), 0ull);
        send(command(MSG_VIDEO_MODE_OFF, "sim-1"));
        QVERIFY(statuses("sim-1").contains("关闭视频:1"));
    }

    void closingReleasesTheCameraInTheCore()
    {
        m_bus.records.clear();
        send(command(MSG_CONTINUOUS_START, "sim-2"));
        send(command(MSG_CLOSE_CAMERA, "sim-2"));
        QTRY_COMPARE_WITH_TIMEOUT(records(MODULE_CAPTURO, MSG_CLOSE_CAMERA, "sim-2").size(), 1, 15000);
        QCOMPARE(records(MODULE_CAPTURO, MSG_CLOSE_CAMERA, "sim-2")[0].jsonData["success"].toInt(), 1);
        QCOMPARE(coreState(*m_pOther, "sim-2"), CameraListing::Free);
        QCOMPARE(coreState(*m_pOther, "sim-1"), CameraListing::InUse);
        QCOMPARE(RpcService::instance().openCameras(), QStringList({"sim-1"}));
        // It was shooting: the operator is told it stopped.
        bool bTold = false;
        for (const QString& qsStatus : statuses("sim-2"))
            bTold = bTold || qsStatus.contains("已停止");
        QVERIFY(bTold);
        // Commands to it fail now; the other camera goes on.
        send(command(MSG_TAKE_PHOTO, "sim-2"));
        QVERIFY(statuses("sim-2").contains("调用相机拍照接口:0"));
        QVERIFY(photo("sim-1").jsonData["camera"] == "sim-1");
        // Another client can take it now.
        QCOMPARE(m_pOther->openCamera("sim-2"), 0);
        QCOMPARE(m_pOther->closeCamera("sim-2"), 0);
    }

    void aRestartedCoreGetsEachCamerasSettingsBack()
    {
        QCOMPARE(open("sim-2")["success"].toInt(), 1);
        send(command(MSG_SET_EXPOSURE, "sim-2", 30000));
        m_bus.records.clear();
        const int nPort = m_sim.port();
        m_sim.stop();
        QVERIFY(m_sim.start({"--simulated", "2", "--width", "64", "--height", "48"}, nPort));
        // Told once per open camera, each page reading its own camera anew.
        QTRY_VERIFY_WITH_TIMEOUT(records(MODULE_CAPTURO, MSG_CORE_CONNECTED, "sim-1").size() == 1
                                     && records(MODULE_CAPTURO, MSG_CORE_CONNECTED, "sim-2").size() == 1,
                                 30000);
        send(command(MSG_GET_EXPOSURE, "sim-1"));
        send(command(MSG_GET_EXPOSURE, "sim-2"));
        QCOMPARE(records(MODULE_CAPTURO, MSG_GET_EXPOSURE, "sim-1").at(0).varData.toUInt(), 2000u);
        QCOMPARE(records(MODULE_CAPTURO, MSG_GET_EXPOSURE, "sim-2").at(0).varData.toUInt(), 30000u);
        QVERIFY(statuses(QString()).contains("已重新连接视觉核心，相机设置已恢复:1"));
    }
};

QTEST_MAIN(TestServiceCameras)
#include "tst_service_cameras.moc"
