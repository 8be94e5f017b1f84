// The home page, tool and project plugins as the host loads them: from their plugin
// files, wired by signature, relayed through the real main window.
#include "DT_PluginsManager.h"
#include "MainWindow.h"
#include "RunFolder.h"
#include "framework/DTPluginBase.h"
#include "framework/PluginMessages.h"

#include <QDir>
#include <QPluginLoader>
#include <QSignalSpy>
#include <QtTest>

#include "TestSuite.h"

namespace {

const char* const kPlugins[] = {"scanvor.so", "tool.so", "dossiva.so"};

QByteArray classOf(QWidget* pWidget)
{
    return pWidget ? QByteArray(pWidget->metaObject()->className()) : QByteArray();
}

// The plugin keeps its own copy of the base's meta-object, so qobject_cast cannot
// cross the library boundary; the class layout is the same source on both sides.
DTPluginBase* pluginBase(QObject* pObject)
{
    return pObject && pObject->inherits("DTPluginBase") ? static_cast<DTPluginBase*>(pObject) : nullptr;
}

} // namespace

class TestPagesHost : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void homePageAndProjectRecord();

private:
    RunFolder m_run;
};

void TestPagesHost::initTestCase()
{
    qRegisterMetaType<PluginMetaData>("PluginMetaData");

    // A run folder holding only these three plugins, so nothing else joins the bus.
    QStringList files;
    for (const char* name : kPlugins)
        files << QDir(RunFolder::builtPluginDir()).filePath(name);
    QVERIFY(m_run.addPlugins(files));
    QVERIFY(m_run.enter());
}

void TestPagesHost::homePageAndProjectRecord()
{
    MainWindow window(HostLifecycle(HostLifecycle::LoadPlugins, HostLifecycle::ReturnOnExit));
    QCOMPARE(window.pluginsManager()->loadedPlugins().size(), 3);

    // The window's own home records put the search page up at once...
    QCOMPARE(classOf(window.mainWidget()), QByteArray("CameraSearchUI"));
    QWidget* pSearch = window.mainWidget();
    // ...and the not-found page follows when the bar is full.
    QTRY_COMPARE_WITH_TIMEOUT(classOf(window.mainWidget()), "CameraSearchNotFoundUI", 3000);

    QObject* pTool = QPluginLoader("plugins/tool.so").instance();
    QObject* pDossiva = QPluginLoader("plugins/dossiva.so").instance();
    QVERIFY(pluginBase(pTool) && pluginBase(pDossiva));
    QCOMPARE(pluginBase(pTool)->uiObject(), &window); // the home record's handle

    QSignalSpy relayed(&window, SIGNAL(sendSignalToPlugins(PluginMetaData)));
    QVERIFY(QMetaObject::invokeMethod(pDossiva, "slotOpenProject"));
    QCoreApplication::processEvents();
    QCOMPARE(relayed.count(), 1);
    const PluginMetaData plt = relayed.at(0).at(0).value<PluginMetaData>();
    QCOMPARE(plt.nModule, int(MODULE_SERVICE));
    QCOMPARE(plt.nMsgId, 0);
    QVERIFY(!plt.varData.isValid() && plt.jsonData.isEmpty() && !plt.pHandle);

    // Every plugin got it: the tool and project plugins now hold its empty handle,
    // the home page ignored it.
    QCOMPARE(pluginBase(pTool)->uiObject(), nullptr);
    QCOMPARE(pluginBase(pDossiva)->uiObject(), nullptr);
    QCOMPARE(classOf(window.mainWidget()), QByteArray("CameraSearchNotFoundUI"));
    QVERIFY(pSearch);
}

KELVORA_TEST_MAIN(TestPagesHost)
#include "tst_PagesHost.moc"
