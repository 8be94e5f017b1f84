#include "framework/DTPluginBase.h"
#include "framework/PluginMessages.h"

#include <QSignalSpy>
#include <QWidget>
#include <QtTest>

#include "TestSuite.h"

namespace {

class ProbePlugin : public DTPluginBase
{
public:
    int nLoadUI = 0;
    void loadUI() override { ++nLoadUI; }
    void slotEventFromPlugins(PluginMetaData) override {}
};

PluginMetaData recordAt(const QSignalSpy& spy, int i)
{
    return spy.at(i).at(0).value<PluginMetaData>();
}

} // namespace

class TestPluginBase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<PluginMetaData>("PluginMetaData"); }

    void sendResultBuildsStatusRecord()
    {
        ProbePlugin plugin;
        QSignalSpy spy(&plugin, &DTPluginBase::sendSignalToPlugins);
        plugin.sendResult(QString::fromUtf8("设置增益"), false);
        plugin.sendResult("ok", true);
        QCOMPARE(spy.count(), 2);

        const PluginMetaData failed = recordAt(spy, 0);
        QCOMPARE(failed.nModule, int(MODULE_CAPTURO));
        QCOMPARE(failed.nMsgId, int(MSG_RESULT));
        QCOMPARE(failed.jsonData.value("result").toString(), QString::fromUtf8("设置增益"));
        // An integer, not a JSON boolean: receivers compare it with 1.
        QVERIFY(failed.jsonData.value("success").isDouble());
        QCOMPARE(failed.jsonData.value("success").toInt(), 0);
        QCOMPARE(failed.jsonData.size(), 2);
        QVERIFY(!failed.bReserved);
        QVERIFY(failed.qsReserved1.isEmpty() && failed.qsReserved2.isEmpty());
        QVERIFY(!failed.varData.isValid());
        QVERIFY(failed.pHandle == nullptr);

        QCOMPARE(recordAt(spy, 1).jsonData.value("success").toInt(), 1);
    }

    void uiHandleIgnoresNull()
    {
        ProbePlugin plugin;
        QWidget window;
        plugin.slotSetUIHandle(nullptr);
        QCOMPARE(plugin.nLoadUI, 0);
        QVERIFY(plugin.uiObject() == nullptr);

        plugin.slotSetUIHandle(&window);
        QCOMPARE(plugin.nLoadUI, 1);
        QCOMPARE(plugin.uiObject(), &window);

        plugin.slotSetUIHandle(nullptr);
        QCOMPARE(plugin.nLoadUI, 1);
        QCOMPARE(plugin.uiObject(), &window);
    }

    void recordsTravelAsCopies()
    {
        ProbePlugin plugin;
        QSignalSpy spy(&plugin, &DTPluginBase::sendSignalToPlugins);
        QWidget container;
        PluginMetaData plt;
        plt.nModule = MODULE_SERVICE;
        plt.nMsgId = MSG_SET_GAIN;
        plt.varData = 12;
        plt.pHandle = &container;
        plt.jsonData.insert("k", "v");
        plugin.slotSendSignal(plt);
        plt.varData = 99;
        plt.jsonData.insert("k", "changed");

        QCOMPARE(spy.count(), 1);
        const PluginMetaData sent = recordAt(spy, 0);
        QCOMPARE(sent.nModule, int(MODULE_SERVICE));
        QCOMPARE(sent.nMsgId, int(MSG_SET_GAIN));
        QCOMPARE(sent.varData.toInt(), 12);
        QCOMPARE(sent.jsonData.value("k").toString(), QString("v"));
        QCOMPARE(sent.pHandle, &container);
    }
};

KELVORA_TEST_MAIN(TestPluginBase)
#include "tst_pluginbase.moc"
