// The main window's life around it: starting the listed plugins when it is built,
// unloading them and then ending the process when it is destroyed, or neither.
#include "DT_PluginsManager.h"
#include "HostLifecycle.h"
#include "MainWindow.h"
#include "RunFolder.h"
#include "TestHost.h"
#include "framework/PluginMessages.h"

#include <QDir>
#include <QPluginLoader>
#include <QtTest>

#include "TestSuite.h"

#include <memory>

namespace {

QString pluginFile(const QString& name)
{
    return QString(TEST_PLUGIN_DIR) + "/" + name;
}

QStringList relayLog()
{
    return qApp->property("relayLog").toStringList();
}

QObject* recorderA()
{
    QPluginLoader loader(pluginFile("recorder_a.so"));
    return loader.instance();
}

// Has the recorder send a record onto the bus, as a plugin does through sendEvent.
void sendFromRecorder(int nModule, int nMsgId)
{
    PluginMetaData plt;
    plt.nModule = nModule;
    plt.nMsgId = nMsgId;
    QVERIFY(QMetaObject::invokeMethod(recorderA(), "slotSendSignal", Q_ARG(PluginMetaData, plt)));
}

} // namespace

class TestHostLifecycle : public QObject
{
    Q_OBJECT

    std::unique_ptr<RunFolder> m_pRun;
    QString m_strStartDir;

private slots:
    void initTestCase()
    {
        Q_INIT_RESOURCE(kelvora_host_icons);
        qRegisterMetaType<PluginMetaData>("PluginMetaData");
        m_strStartDir = QDir::currentPath();
    }

    // The current folder is a run folder whose plugin list holds the recorder "a".
    void init()
    {
        m_pRun = std::make_unique<RunFolder>();
        QVERIFY(m_pRun->addPlugins({pluginFile("recorder_a.so")}));
        QVERIFY(m_pRun->enter());
        qApp->setProperty("relayLog", QStringList());
    }

    void cleanup()
    {
        QDir::setCurrent(m_strStartDir);
        m_pRun.reset();
    }

    void windowWithoutPluginsOrExit()
    {
        int nEnds = 0;
        HostLifecycle lifecycle(HostLifecycle::NoPlugins, HostLifecycle::ReturnOnExit);
        lifecycle.setProcessEnd([&nEnds] { ++nEnds; });
        auto* pWindow = new MainWindow(lifecycle);
        // The list in the current folder is not read: no manager, no plugin built its UI.
        QVERIFY(pWindow->pluginsManager() == nullptr);
        QVERIFY(pWindow->lifecycle().manager() == nullptr);
        QVERIFY(relayLog().isEmpty());
        // The window itself still works: home goes out on its own bus.
        QSignalSpy spy(pWindow, &MainWindow::sendSignalToPlugins);
        pWindow->slotHomePageEvent();
        QCOMPARE(spy.size(), 1);
        delete pWindow;
        QCOMPARE(nEnds, 0);
    }

    void programStartAndEndInOrder()
    {
        // The program's policy, with the process end observed instead of taken.
        HostLifecycle lifecycle;
        QVERIFY(lifecycle.loadsPlugins() && lifecycle.endsProcess());
        QStringList endSeen;
        int nEnds = 0;
        lifecycle.setProcessEnd([&] {
            ++nEnds;
            // By now the plugin is cut off from the window: what it sends reaches nobody.
            qApp->setProperty("relayLog", QStringList());
            sendFromRecorder(MODULE_SERVICE, 99);
            endSeen = relayLog();
        });

        auto* pWindow = new MainWindow(lifecycle);
        QVERIFY(pWindow->pluginsManager() != nullptr);
        QCOMPARE(pWindow->pluginsManager()->loadedPlugins().size(), 1);
        // UI built on hand-over, then the home record twice, in that order.
        const QString home = QString("a:%1:%2:").arg(MODULE_SCANVOR).arg(MSG_SHOW_CAMERA_SEARCH);
        QCOMPARE(relayLog(), QStringList({"a:loadUI", home, home}));

        // While the window lives the relay runs, sender included.
        qApp->setProperty("relayLog", QStringList());
        sendFromRecorder(MODULE_SERVICE, 99);
        QCOMPARE(relayLog(), QStringList({QString("a:%1:99:").arg(MODULE_SERVICE)}));

        delete pWindow;
        QCOMPARE(nEnds, 1);
        QVERIFY2(endSeen.isEmpty(), qPrintable(endSeen.join(", ")));
    }

    void lifecycleAlone()
    {
        TestHost host;
        int nEnds = 0;
        HostLifecycle lifecycle(HostLifecycle::LoadPlugins, HostLifecycle::ReturnOnExit);
        lifecycle.setProcessEnd([&nEnds] { ++nEnds; });

        DT_PluginsManager* pManager = lifecycle.startPlugins(&host);
        QVERIFY(pManager != nullptr);
        QCOMPARE(lifecycle.manager(), pManager);
        QCOMPARE(relayLog(), QStringList({"a:loadUI"}));
        // A second start neither loads again nor hands the host over again.
        QCOMPARE(lifecycle.startPlugins(&host), pManager);
        QCOMPARE(relayLog(), QStringList({"a:loadUI"}));

        lifecycle.stopPlugins();
        QVERIFY(lifecycle.manager() == nullptr);
        qApp->setProperty("relayLog", QStringList());
        emit host.sendSignalToPlugins(PluginMetaData());
        QVERIFY(relayLog().isEmpty());
        lifecycle.stopPlugins(); // nothing left to stop

        lifecycle.endProcess();
        QCOMPARE(nEnds, 0);

        HostLifecycle ending(HostLifecycle::NoPlugins, HostLifecycle::EndProcessOnExit);
        ending.setProcessEnd([&nEnds] { ++nEnds; });
        QVERIFY(ending.startPlugins(&host) == nullptr);
        ending.endProcess();
        QCOMPARE(nEnds, 1);
    }
};

KELVORA_TEST_MAIN(TestHostLifecycle)
#include "tst_hostlifecycle.moc"
