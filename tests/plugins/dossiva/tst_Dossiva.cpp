#include "Dossiva.h"
#include "framework/PluginMessages.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

class TestDossiva : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<PluginMetaData>("PluginMetaData"); }
    void keepsHandleAndBuildsNothing();
    void openProjectByName();
};

void TestDossiva::keepsHandleAndBuildsNothing()
{
    QWidget window;
    const int nWidgetsBefore = QApplication::allWidgets().size();
    Dossiva plugin;
    QSignalSpy bus(&plugin, SIGNAL(sendSignalToPlugins(PluginMetaData)));
    QSignalSpy shown(&plugin, SIGNAL(signalSetMainWidget(QWidget*)));

    plugin.slotSetUIHandle(&window);
    QCOMPARE(plugin.uiObject(), &window);
    QVERIFY(window.children().isEmpty());
    QCOMPARE(QApplication::allWidgets().size(), nWidgetsBefore);

    QWidget page;
    for (QWidget* pHandle : {&page, static_cast<QWidget*>(nullptr), &window}) {
        for (int nModule :
             {int(MODULE_SERVICE), int(MODULE_CAPTURO), int(MODULE_SCANVOR), int(MODULE_TOOL_TASK), 0}) {
            PluginMetaData plt;
            plt.nModule = nModule;
            plt.nMsgId = MSG_PAGE_ACTIVATED;
            plt.pHandle = pHandle;
            plugin.slotEventFromPlugins(plt);
            QCOMPARE(plugin.uiObject(), static_cast<QObject*>(pHandle));
        }
    }
    QCOMPARE(bus.count(), 0);
    QCOMPARE(shown.count(), 0);

    for (const char* name : {"new", "open", "save", "saveas"})
        QVERIFY2(!QImage(QString(":/resources/%1.png").arg(name)).isNull(), name);
}

void TestDossiva::openProjectByName()
{
    Dossiva plugin;
    QWidget window;
    plugin.slotSetUIHandle(&window);
    QSignalSpy bus(&plugin, SIGNAL(sendSignalToPlugins(PluginMetaData)));

    QVERIFY(QMetaObject::invokeMethod(&plugin, "slotOpenProject"));
    QCOMPARE(bus.count(), 1);
    const PluginMetaData plt = bus.at(0).at(0).value<PluginMetaData>();
    QCOMPARE(plt.nModule, int(MODULE_SERVICE));
    QCOMPARE(plt.nMsgId, 0);
    QVERIFY(!plt.varData.isValid());
    QVERIFY(plt.jsonData.isEmpty());
    QCOMPARE(plt.pHandle, nullptr);
    QVERIFY(!plt.bReserved);
    QVERIFY(plt.qsReserved1.isEmpty() && plt.qsReserved2.isEmpty());

    // Each call is one record; the handle stays the window's.
    QVERIFY(QMetaObject::invokeMethod(&plugin, "slotOpenProject"));
    QCOMPARE(bus.count(), 2);
    QCOMPARE(plugin.uiObject(), &window);
}

QTEST_MAIN(TestDossiva)
#include "tst_Dossiva.moc"
