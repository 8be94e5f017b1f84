// The cameras config.ini names are opened at start, once the core is reached,
// and the file is left as it was; the others stay free for the operator.
#include "RpcService.h"
#include "RunFolder.h"
#include "SaveProbe.h"
#include "Service.h"
#include "SimCore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestServiceStartCameras : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    SimCore m_sim;
    RunFolder m_run;
    SaveProbe m_bus;

    QStringList openedIds() const
    {
        QStringList ids;
        for (const PluginMetaData& plt : m_bus.withId(MSG_OPEN_CAMERA))
            if (plt.jsonData["success"].toInt() == 1)
                ids << plt.jsonData["camera"].toString();
        return ids;
    }

private slots:
    void listedCamerasOpenAtStart()
    {
        qputenv("HOME", m_home.path().toUtf8());
        QVERIFY(m_sim.start({"--simulated", "3", "--width", "32", "--height", "24"}));
        const QByteArray config = "[General]\nip=" + m_sim.endpoint().toUtf8() + "\ncameras=sim-3, sim-2\n";
        QFile file(m_run.filePath("config.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(config) == config.size());
        file.close();
        QVERIFY(m_run.enter());

        Service service;
        connect(&service, &DTPluginBase::sendSignalToPlugins, &m_bus, &SaveProbe::slotEventFromPlugins);
        // Nothing opens before the plugins are connected: its answers would reach no page.
        QTRY_VERIFY_WITH_TIMEOUT(service.isConnected(), 10000);
        QCoreApplication::processEvents();
        QVERIFY(service.waitCameraCalls(10000));
        QCoreApplication::processEvents();
        QVERIFY(m_bus.withId(MSG_OPEN_CAMERA).isEmpty());
        service.loadUI();
        QTRY_COMPARE_WITH_TIMEOUT(openedIds().size(), 2, 15000);
        QCOMPARE(openedIds(), QStringList({"sim-3", "sim-2"}));
        QCOMPARE(RpcService::instance().openCameras(), QStringList({"sim-3", "sim-2"}));
        // A photo naming no camera goes to the first one listed.
        PluginMetaData photo;
        photo.nModule = MODULE_SERVICE;
        photo.nMsgId = MSG_TAKE_PHOTO;
        service.slotEventFromPlugins(photo);
        QTRY_COMPARE_WITH_TIMEOUT(m_bus.withId(MSG_FRAME).size(), 1, 15000);
        QCOMPARE(m_bus.withId(MSG_FRAME).at(0).jsonData["camera"].toString(), QString("sim-3"));

        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), config);
    }
};

QTEST_MAIN(TestServiceStartCameras)
#include "tst_service_startcameras.moc"
