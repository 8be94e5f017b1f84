#include "DT_PluginsManager.h"
#include "TestHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPluginLoader>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "TestSuite.h"

#include <memory>

namespace {

struct Entry
{
    QString name;
    QJsonValue state = QJsonValue(QString("0"));
    bool bStateMissing = false;
};

QString pluginFile(const QString& name)
{
    return QString(TEST_PLUGIN_DIR) + "/" + name;
}

QStringList relayLog()
{
    return qApp->property("relayLog").toStringList();
}

QObject* instanceOf(const QString& name)
{
    QPluginLoader loader(pluginFile(name));
    return loader.instance();
}

} // namespace

class TestPluginsManager : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    QString m_strStartDir;

    // Lays out plugins/ in a fresh working folder: the test plugins linked in and
    // the given list written as plugins/plugins.json.
    void writeList(const QList<Entry>& entries)
    {
        QJsonArray array;
        for (const Entry& e : entries) {
            QJsonObject o;
            o["plugins_name"] = e.name;
            o["plugins_version"] = "1.0";
            o["plugins_desc"] = "test";
            if (!e.bStateMissing)
                o["plugins_state"] = e.state;
            array.append(o);
        }
        writeRaw(QJsonDocument(QJsonObject{{"plugins", array}}).toJson());
    }

    void writeRaw(const QByteArray& json)
    {
        QFile file("plugins/plugins.json");
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
    }

    // Loads, connects and hands over the host, as the main window does.
    std::unique_ptr<DT_PluginsManager> start(TestHost& host)
    {
        auto manager = std::make_unique<DT_PluginsManager>(&host);
        manager->loadPlugins();
        manager->connectPlugins();
        emit manager->sendSignalUI(&host);
        return manager;
    }

    void send(const QString& plugin, int nModule, int nMsgId, const QString& payload)
    {
        PluginMetaData plt;
        plt.nModule = nModule;
        plt.nMsgId = nMsgId;
        plt.varData = payload;
        QVERIFY(QMetaObject::invokeMethod(instanceOf(plugin), "slotSendSignal", Q_ARG(PluginMetaData, plt)));
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<PluginMetaData>("PluginMetaData");
        m_strStartDir = QDir::currentPath();
    }

    void init()
    {
        m_pDir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_pDir->isValid());
        QVERIFY(QDir::setCurrent(m_pDir->path()));
        QVERIFY(QDir().mkdir("plugins"));
        for (const char* name : {"recorder_a.so", "recorder_b.so", "recorder_c.so", "partial.so"})
            QVERIFY(QFile::link(pluginFile(name), QString("plugins/") + name));
        qApp->setProperty("relayLog", QStringList());
    }

    void cleanup()
    {
        QDir::setCurrent(m_strStartDir);
        m_pDir.reset();
    }

    void relayReachesEveryPluginInLoadOrder()
    {
        writeList({{"recorder_b.so"}, {"recorder_a.so"}, {"recorder_c.so"}});
        TestHost host;
        auto manager = start(host);
        QCOMPARE(manager->loadedPlugins().size(), 3);
        QCOMPARE(relayLog(), QStringList({"b:loadUI", "a:loadUI", "c:loadUI"}));

        qApp->setProperty("relayLog", QStringList());
        send("recorder_a.so", 7, 42, "payload");
        // The sender hears its own record; every receiver gets an untouched copy
        // although each one scribbles on the copy it was given.
        QCOMPARE(relayLog(), QStringList({"b:7:42:payload", "a:7:42:payload", "c:7:42:payload"}));
    }

    void statesDecideWhatLoads()
    {
        Entry disabled{"recorder_a.so", QString("1")};
        Entry zero{"recorder_b.so", QString("0")};
        Entry empty{"recorder_c.so", QString("")};
        Entry text{"recorder_a.so", QString("abc")};
        Entry missing{"recorder_b.so"};
        missing.bStateMissing = true;
        Entry number{"recorder_c.so", QJsonValue(1)};
        Entry two{"recorder_c.so", QString("2")};
        writeList({disabled, zero, empty, text, missing, number, two});

        // Five entries load; two of them name a file already loaded.
        for (const char* name : {"recorder_b.so", "recorder_c.so"})
            QTest::ignoreMessage(
                QtWarningMsg,
                qPrintable(
                    QString::fromUtf8("plugins/%1 在 plugins/plugins.json 中重复列出: 只加载并连接一次")
                        .arg(name)));
        TestHost host;
        auto manager = start(host);
        QCOMPARE(manager->enabledPlugins().size(), 5);
        QCOMPARE(manager->disabledPlugins().size(), 2);
        QCOMPARE(manager->disabledPlugins().at(0).state, 1);
        QCOMPARE(manager->disabledPlugins().at(1).state, 2);
        QCOMPARE(manager->loadedPlugins().size(), 3);
        QCOMPARE(manager->loadedPlugins().at(0).path, QString("plugins/recorder_b.so"));
        QCOMPARE(manager->loadedPlugins().at(1).path, QString("plugins/recorder_c.so"));
        QCOMPARE(manager->loadedPlugins().at(2).path, QString("plugins/recorder_a.so"));
        QVERIFY(manager->failedPlugins().isEmpty());
    }

    // A file listed twice (also under a second name) would send every command
    // twice; it is loaded, connected and handed the window once, and logged.
    void sameFileTwiceIsConnectedOnce()
    {
        QVERIFY(QFile::link(pluginFile("recorder_a.so"), "plugins/alias_a.so"));
        writeList({{"recorder_a.so"}, {"recorder_b.so"}, {"recorder_a.so"}, {"alias_a.so"}});
        QTest::ignoreMessage(QtWarningMsg,
                             "plugins/recorder_a.so 在 plugins/plugins.json 中重复列出: 只加载并连接一次");
        QTest::ignoreMessage(QtWarningMsg,
                             "plugins/alias_a.so 在 plugins/plugins.json 中重复列出: 只加载并连接一次");
        TestHost host;
        auto manager = start(host);
        QCOMPARE(manager->enabledPlugins().size(), 4);
        QCOMPARE(manager->loadedPlugins().size(), 2);
        QVERIFY(manager->failedPlugins().isEmpty());
        QCOMPARE(relayLog(), QStringList({"a:loadUI", "b:loadUI"}));

        qApp->setProperty("relayLog", QStringList());
        PluginMetaData plt;
        plt.nModule = 1;
        plt.nMsgId = 3;
        emit host.sendSignalToPlugins(plt);
        QCOMPARE(relayLog(), QStringList({"a:1:3:", "b:1:3:"}));

        // Its own sends are relayed once, reaching each plugin once.
        qApp->setProperty("relayLog", QStringList());
        send("recorder_a.so", 1, 4, "");
        QCOMPARE(relayLog().size(), 2);
    }

    void unusableListsStartWithNoPlugins_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("bWriteFile");
        QTest::addColumn<QString>("logged");
        QTest::newRow("missing file") << QByteArray() << false << QString();
        // The operator learns which file is wrong and where.
        QTest::newRow("broken json") << QByteArray("{\"plugins\": [ {\"plugins_name\": ") << true
                                     << "plugins/plugins.json is not valid JSON: .+ at offset 31$";
        QTest::newRow("plugins not an array")
            << QByteArray("{\"plugins\": {\"plugins_name\": \"recorder_a.so\"}}") << true
            << "plugins/plugins.json holds no \"plugins\" array";
        QTest::newRow("no plugins key")
            << QByteArray("{\"other\": []}") << true << "plugins/plugins.json holds no \"plugins\" array";
    }

    void unusableListsStartWithNoPlugins()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, bWriteFile);
        QFETCH(QString, logged);
        if (bWriteFile)
            writeRaw(json);
        if (!logged.isEmpty())
            QTest::ignoreMessage(
                QtCriticalMsg,
                QRegularExpression("^" + QRegularExpression::escape(QDir::current().absolutePath() + "/")
                                   + logged));
        TestHost host;
        auto manager = start(host);
        QVERIFY(manager->enabledPlugins().isEmpty());
        QVERIFY(manager->loadedPlugins().isEmpty());
        QVERIFY(manager->failedPlugins().isEmpty());
        QVERIFY(relayLog().isEmpty());
    }

    void failuresDoNotStopLaterPlugins()
    {
        QFile notAPlugin("plugins/broken.so");
        QVERIFY(notAPlugin.open(QIODevice::WriteOnly));
        notAPlugin.write("not a shared library");
        notAPlugin.close();

        writeList({{"missing.so"}, {"recorder_a"}, {"broken.so"}, {"recorder_c.so"}});
        TestHost host;
        auto manager = start(host);
        QCOMPARE(manager->failedPlugins().size(), 3);
        QCOMPARE(manager->failedPlugins().at(1).path, QString("plugins/recorder_a"));
        QCOMPARE(manager->loadedPlugins().size(), 1);
        QCOMPARE(relayLog(), QStringList({"c:loadUI"}));
    }

    void pluginMissingSignalsStillWorks()
    {
        writeList({{"partial.so"}, {"recorder_b.so"}});
        TestHost host;
        auto manager = start(host);
        QCOMPARE(manager->loadedPlugins().size(), 2);
        QCOMPARE(relayLog(), QStringList({"partial:loadUI", "b:loadUI"}));

        qApp->setProperty("relayLog", QStringList());
        send("partial.so", 5, 6, "x");
        QCOMPARE(relayLog(), QStringList({"partial:5:6:x", "b:5:6:x"}));

        QVERIFY(QMetaObject::invokeMethod(instanceOf("partial.so"), "slotOfferToolButton"));
        QCOMPARE(host.toolButtons.size(), 1);
        delete host.toolButtons.takeFirst();
    }

    void unloadDisconnects()
    {
        writeList({{"recorder_a.so"}, {"recorder_b.so"}});
        TestHost host;
        auto manager = start(host);
        QTest::ignoreMessage(QtDebugMsg, "unload");
        QTest::ignoreMessage(QtDebugMsg, "unload");
        manager->unloadPlugins();

        qApp->setProperty("relayLog", QStringList());
        PluginMetaData plt;
        plt.nModule = 5;
        emit host.sendSignalToPlugins(plt);
        send("recorder_a.so", 5, 1, "after unload");
        QVERIFY(relayLog().isEmpty());
    }
};

KELVORA_TEST_MAIN(TestPluginsManager)
#include "tst_pluginsmanager.moc"
