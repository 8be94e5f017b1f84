// The plugin: tool buttons handed to the host, command sends, the routing of records
// addressed to the camera page, and the same contract through the built capturo.so.
#include "Capturo.h"
#include "CapturoUI.h"
#include "CommandLog.h"
#include "DTGraphicsScene.h"

#include "framework/PluginMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGraphicsView>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPluginLoader>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "FakeHost.h"

class TestCapturoPlugin : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

    static PluginMetaData record(int nMsgId)
    {
        PluginMetaData plt;
        plt.nModule = MODULE_CAPTURO;
        plt.nMsgId = nMsgId;
        return plt;
    }
    static PluginMetaData pageRecord(QWidget* pContainer)
    {
        PluginMetaData plt = record(MSG_PAGE_ACTIVATED);
        plt.pHandle = pContainer;
        return plt;
    }
    // The plugin with its page opened once in a container of its own.
    struct OpenedPage
    {
        Capturo plugin;
        FakeHost host;
        QWidget window;
        QWidget container;
        OpenedPage()
        {
            host.attach(&plugin);
            plugin.slotSetUIHandle(&window);
            new QVBoxLayout(&container);
            host.deliver(pageRecord(&container));
        }
    };
    static QListWidget* results(CapturoUI* pPanel)
    {
        return pPanel->findChild<QListWidget*>("listWidget_ShowResult");
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        qRegisterMetaType<PluginMetaData>("PluginMetaData");
    }

    void toolButtonsAndCommands()
    {
        Capturo plugin;
        FakeHost host;
        host.attach(&plugin);
        QWidget window;
        plugin.slotSetUIHandle(&window);
        QCOMPARE(plugin.uiObject(), &window);

        const QStringList names = {"m_pBackBtn",   "m_pForwardBtn", "photo",         "continuePhoto",
                                   "m_pNarrowBtn", "m_pExpandBtn",  "m_pZoomAllBtn", "m_pRotateBtn"};
        const QList<bool> separators = {false, true, false, true, false, true, false, false};
        const QList<Qt::Alignment> alignments = {Qt::AlignLeft,   Qt::AlignLeft,  Qt::AlignCenter,
                                                 Qt::AlignCenter, Qt::AlignRight, Qt::AlignRight,
                                                 Qt::AlignLeft,   Qt::AlignLeft};
        QCOMPARE(host.buttons.size(), 8);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(host.buttons[i].pBtn->objectName(), names[i]);
            QCOMPARE(host.buttons[i].bSeparator, separators[i]);
            QCOMPARE(host.buttons[i].alignment, alignments[i]);
            QVERIFY(host.buttons[i].pBtn->isFlat());
            QVERIFY2(!host.buttons[i].pBtn->icon().isNull(), qPrintable(names[i]));
        }

        host.button("photo")->click();
        for (int i = 0; i < 3; ++i)
            host.button("continuePhoto")->click();
        QCOMPARE(
            host.serviceIds(),
            (QList<int>{MSG_TAKE_PHOTO, MSG_CONTINUOUS_START, MSG_CONTINUOUS_STOP, MSG_CONTINUOUS_START}));
        for (const PluginMetaData& plt : host.log.records)
            QVERIFY(!plt.varData.isValid() && plt.jsonData.isEmpty() && !plt.pHandle);

        // Before the page exists, records and view clicks are dropped.
        host.log.clear();
        PluginMetaData frame = record(MSG_FRAME);
        frame.varData = QImage(8, 8, QImage::Format_RGB32);
        host.deliver(frame);
        plugin.sendResult("early", true);
        host.deliver(record(MSG_GET_CAMERA_INFO));
        host.deliver(record(MSG_CORE_CONNECTED));
        for (const char* pName :
             {"m_pNarrowBtn", "m_pExpandBtn", "m_pZoomAllBtn", "m_pRotateBtn", "m_pBackBtn"})
            host.button(pName)->click();
        QVERIFY(!plugin.configUI());
        QVERIFY(host.serviceIds().isEmpty());
    }

    // A connection outcome or a save failure reported while the home page shows
    // is listed when the camera page first opens: the newest few hundred, in order.
    void statusesBeforeThePageOpensAreListedWhenItOpens()
    {
        Capturo plugin;
        FakeHost host;
        host.attach(&plugin);
        const int nSent = Capturo::kMaxEarlyResults + 20;
        for (int i = 0; i < nSent; ++i) {
            PluginMetaData result = record(MSG_RESULT);
            result.jsonData = {{"result", QString("s%1").arg(i)}, {"success", i % 2}};
            host.deliver(result);
        }
        PluginMetaData frame = record(MSG_FRAME);
        frame.varData = QImage(8, 8, QImage::Format_RGB32);
        host.deliver(frame);

        QWidget container;
        new QVBoxLayout(&container);
        host.deliver(pageRecord(&container));
        QListWidget* pResults = results(plugin.configUI());
        QCOMPARE(pResults->count(), 1 + Capturo::kMaxEarlyResults);
        for (int nRow = 1; nRow < pResults->count(); ++nRow) {
            const int i = nSent - Capturo::kMaxEarlyResults + nRow - 1;
            QCOMPARE(pResults->item(nRow)->text(), QString("s%1").arg(i));
            QCOMPARE(pResults->item(nRow)->foreground().color(),
                     i % 2 ? QColor(255, 255, 255) : QColor(238, 70, 59));
        }
        // Listed once: opening the page again adds nothing.
        QWidget other;
        new QVBoxLayout(&other);
        host.deliver(pageRecord(&other));
        QCOMPARE(pResults->count(), 1 + Capturo::kMaxEarlyResults);
    }

    void pageActivationAndRouting()
    {
        Capturo plugin;
        FakeHost host;
        host.attach(&plugin);
        QWidget window;
        plugin.slotSetUIHandle(&window);

        QWidget container;
        auto* pLayout = new QVBoxLayout(&container);
        host.deliver(pageRecord(&container));
        CapturoUI* pPanel = plugin.configUI();
        QVERIFY(pPanel);
        QCOMPARE(pPanel->parentWidget(), &container);
        QCOMPARE(pLayout->indexOf(pPanel), 0);
        QWidget other;
        new QVBoxLayout(&other);
        host.deliver(pageRecord(&other));
        host.deliver(pageRecord(&container));
        QCOMPARE(plugin.configUI(), pPanel);
        QCOMPARE(pPanel->parentWidget(), &container);
        // The trigger type and debounce reads wait for the ranges: only a camera with a
        // trigger activation and a debouncer gets them.
        QCOMPARE(host.serviceIds(), (QList<int>{MSG_GET_CAMERA_INFO, MSG_GET_CAMERA_PARAMS}));
        // A core reached late or again: the page reads the camera as on opening.
        host.log.clear();
        host.deliver(record(MSG_CORE_CONNECTED));
        QCOMPARE(host.serviceIds(), (QList<int>{MSG_GET_CAMERA_INFO, MSG_GET_CAMERA_PARAMS}));

        // Panel commands leave unchanged through the plugin.
        host.log.clear();
        pPanel->findChild<QRadioButton*>("radioBtn_Inner")->click();
        QCOMPARE(host.log.idValues(), (QList<IdValue>{{MSG_SET_TRIGGER_MODE, 1}}));

        // Results: only exactly 1 counts as success; id 7 and other modules change nothing.
        QListWidget* pResults = results(pPanel);
        const int nBefore = pResults->count();
        host.deliver(record(7));
        PluginMetaData foreign = record(MSG_RESULT);
        foreign.nModule = MODULE_SCANVOR;
        foreign.jsonData = {{"result", "x"}, {"success", 1}};
        host.deliver(foreign);
        QCOMPARE(pResults->count(), nBefore);
        PluginMetaData result = record(MSG_RESULT);
        result.jsonData = {{"result", "two"}, {"success", 2}};
        host.deliver(result);
        plugin.sendResult("one", true);
        QCOMPARE(pResults->count(), nBefore + 2);
        QCOMPARE(pResults->item(nBefore)->text(), QString("two"));
        QCOMPARE(pResults->item(nBefore)->foreground().color(), QColor(238, 70, 59));
        QCOMPARE(pResults->item(nBefore + 1)->foreground().color(), QColor(255, 255, 255));

        // Camera ranges reply: a gain line first, then the ranges.
        CameraInfo ranges;
        ranges.nExposureMax = 50000;
        ranges.fGainMin = 1.5f;
        ranges.fGainMax = 24.9f;
        ranges.nDebounceMax = 100;
        ranges.fTriggerGapMax = 50.0f;
        PluginMetaData info = record(MSG_GET_CAMERA_INFO);
        info.varData = QVariant::fromValue(ranges);
        QCOMPARE(QMetaType::typeName(info.varData.userType()), "CameraInfo");
        host.log.clear();
        host.deliver(info);
        QCOMPARE(pResults->item(nBefore + 2)->text(), QString("增益:24.9"));
        QCOMPARE(pPanel->findChild<QSlider*>("horizontalSlider_Gain")->maximum(), 24);
        QCOMPARE(pPanel->findChild<QSlider*>("horizontalSlider_Gain")->minimum(), 1);
        // The ranges show a trigger activation and a debouncer (0 to 100): the reads
        // waiting for them go out, once.
        QCOMPARE(host.serviceIds(), (QList<int>{MSG_GET_TRIGGER_TYPE, MSG_GET_DEBOUNCE}));
        host.deliver(info);
        QCOMPARE(host.serviceIds(), (QList<int>{MSG_GET_TRIGGER_TYPE, MSG_GET_DEBOUNCE}));

        // Parameter reply from a core reporting gain 3.7 and exposure 12345: the page
        // shows them and sends nothing back. Mode 0.9 truncates to 0 (external).
        PluginMetaData params = record(MSG_GET_CAMERA_PARAMS);
        params.jsonData = {
            {"gain", 3.7}, {"exposure", 12345.0}, {"trigger_mode", 0.9}, {"trigger_gap", 12.5}};
        pPanel->findChild<QRadioButton*>("radioBtn_Inner")->click();
        host.log.clear();
        host.deliver(params);
        QVERIFY(pPanel->findChild<QRadioButton*>("radioBtn_Out")->isChecked());
        QCOMPARE(pPanel->findChild<QLineEdit*>("plainText_Gain")->text(), QString("3.7"));
        QCOMPARE(pPanel->findChild<QSlider*>("horizontalSlider_Quick")->value(), 12345);
        QCOMPARE(host.serviceIds(), QList<int>());
        // 1.9 truncates to 1: internal, read back as such.
        params.jsonData["trigger_mode"] = 1.9;
        host.deliver(params);
        QVERIFY(pPanel->findChild<QRadioButton*>("radioBtn_Inner")->isChecked());
        QVERIFY(pPanel->findChild<QLineEdit*>("plainText_Trigger_Gap")->isVisibleTo(pPanel));
        QCOMPARE(host.serviceIds(), QList<int>());

        // The debounce reply fills its field; a failed read (no value) leaves it.
        PluginMetaData debounce = record(MSG_GET_DEBOUNCE);
        debounce.varData = 50;
        host.deliver(debounce);
        QCOMPARE(pPanel->findChild<QLineEdit*>("plainText_QD")->text(), QString("50"));
        host.deliver(record(MSG_GET_DEBOUNCE));
        QCOMPARE(pPanel->findChild<QLineEdit*>("plainText_QD")->text(), QString("50"));
        QCOMPARE(host.serviceIds(), QList<int>());

        // Frames reach the view under their key; a payload that is no image is an empty scene.
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(Qt::red);
        PluginMetaData frame = record(MSG_FRAME);
        frame.varData = image;
        frame.jsonData = {{"key", "5"}, {"width", 64}, {"height", 48}};
        host.deliver(frame);
        QVERIFY(pPanel->currentScene());
        QCOMPARE(pPanel->currentScene()->itemsBoundingRect(), QRectF(0, 0, 64, 48));
        frame.varData = QString("not an image");
        host.deliver(frame);
        QVERIFY(pPanel->currentScene()->itemsBoundingRect().isEmpty());

        // The view buttons reach the panel.
        frame.varData = image;
        host.deliver(frame);
        auto* pView = pPanel->findChild<QGraphicsView*>("graphicsView_Image");
        const QTransform before = pView->transform();
        host.button("m_pRotateBtn")->click();
        QVERIFY(pView->transform() != before);
    }

    void loadedLibrary()
    {
        QPluginLoader loader(QStringLiteral(CAPTURO_PLUGIN_FILE));
        const QJsonObject meta = loader.metaData();
        QCOMPARE(meta.value("IID").toString(), QString("Plugin.Capturo"));
        QCOMPARE(meta.value("className").toString(), QString("Capturo"));
        QVERIFY(meta.value("MetaData").toObject().isEmpty());
        QObject* pInstance = loader.instance();
        QVERIFY2(pInstance, qPrintable(loader.errorString()));

        // The host talks to the root object by signatures only.
        const QMetaObject* pMeta = pInstance->metaObject();
        for (const char* pSignal :
             {"sendSignalToPlugins(PluginMetaData)", "signalAddToolBtn(QPushButton*,bool,Qt::Alignment)",
              "signalSetMainWidget(QWidget*)"})
            QVERIFY2(pMeta->indexOfSignal(pSignal) >= 0, pSignal);
        for (const char* pSlot : {"slotEventFromPlugins(PluginMetaData)", "slotSetUIHandle(QObject*)",
                                  "slotSendSignal(PluginMetaData)"})
            QVERIFY2(pMeta->indexOfSlot(pSlot) >= 0, pSlot);

        FakeHost host;
        host.attach(pInstance);
        QWidget window;
        QMetaObject::invokeMethod(pInstance, "slotSetUIHandle", Q_ARG(QObject*, &window));
        QCOMPARE(host.buttons.size(), 8);
        QVERIFY(!host.button("photo")->icon().isNull());

        QWidget container;
        new QVBoxLayout(&container);
        host.deliver(pageRecord(&container));
        host.deliver(pageRecord(&container));
        QCOMPARE(host.serviceIds(), (QList<int>{MSG_GET_CAMERA_INFO, MSG_GET_CAMERA_PARAMS}));
        QCOMPARE(container.findChildren<QWidget*>("CapturoUI").size(), 1);
        host.button("continuePhoto")->click();
        QCOMPARE(host.serviceIds().last(), int(MSG_CONTINUOUS_START));
    }

    // A service that answers at once, as the real one does on the GUI thread: the
    // ranges are in before the parameter read goes out, and the trigger type and
    // debounce reads come last, each only for a camera that has the feature. One
    // without a debouncer (0 to 0) or a trigger activation gets no such read, so its
    // page lists no failed "获取去抖时间" or "获取触发类型" at every opening.
    void readsAtOpeningOnlyWhatTheCameraHas_data()
    {
        QTest::addColumn<int>("debounceMin");
        QTest::addColumn<int>("debounceMax");
        QTest::addColumn<int>("activation");
        QTest::addColumn<QList<int>>("sent");
        const QList<int> both{MSG_GET_CAMERA_INFO, MSG_GET_CAMERA_PARAMS, MSG_GET_TRIGGER_TYPE,
                              MSG_GET_DEBOUNCE};
        const QList<int> typeOnly{MSG_GET_CAMERA_INFO, MSG_GET_CAMERA_PARAMS, MSG_GET_TRIGGER_TYPE};
        const QList<int> debounceOnly{MSG_GET_CAMERA_INFO, MSG_GET_CAMERA_PARAMS, MSG_GET_DEBOUNCE};
        const QList<int> neither{MSG_GET_CAMERA_INFO, MSG_GET_CAMERA_PARAMS};
        QTest::newRow("no debouncer") << 0 << 0 << 1 << typeOnly;
        QTest::newRow("0 to 500 ms") << 0 << 500 << 1 << both;
        QTest::newRow("signed range") << -5 << 0 << 1 << both;
        QTest::newRow("no trigger activation") << 0 << 500 << 0 << debounceOnly;
        QTest::newRow("neither") << 0 << 0 << 0 << neither;
    }

    void readsAtOpeningOnlyWhatTheCameraHas()
    {
        QFETCH(int, debounceMin);
        QFETCH(int, debounceMax);
        QFETCH(int, activation);
        QFETCH(QList<int>, sent);
        Capturo plugin;
        FakeHost host;
        host.attach(&plugin);
        CameraInfo ranges;
        ranges.nDebounceMin = debounceMin;
        ranges.nDebounceMax = debounceMax;
        connect(&plugin, &DTPluginBase::sendSignalToPlugins, &host, [&](const PluginMetaData& plt) {
            if (plt.nModule == MODULE_SERVICE && plt.nMsgId == MSG_GET_CAMERA_INFO) {
                PluginMetaData info = record(MSG_GET_CAMERA_INFO);
                info.varData = QVariant::fromValue(ranges);
                info.jsonData.insert("trigger_activation", activation != 0);
                host.deliver(info);
            }
        });
        QWidget window;
        plugin.slotSetUIHandle(&window);
        QWidget container;
        new QVBoxLayout(&container);
        host.deliver(pageRecord(&container));
        QCOMPARE(host.serviceIds(), sent);
        // Read again after a reconnection: the same, and nothing twice.
        host.log.clear();
        host.deliver(record(MSG_CORE_CONNECTED));
        QCOMPARE(host.serviceIds(), sent);
    }

    // A failure the core gave a reason for: the failure line, then at once one line with
    // the reason as plain text (blanks for control characters, at most 200 characters)
    // whose tool tip shows markup as typed. A success or a failure without reason adds
    // no line; the reason is never translated.
    void coreReasonFollowsItsFailureLine()
    {
        OpenedPage page;
        Capturo& plugin = page.plugin;
        FakeHost& host = page.host;
        QListWidget* pResults = results(plugin.configUI());
        const int nBefore = pResults->count();

        const QString qsReason = QString("gain 30 <b>outside</b>\n0 to 24\t&") + QString(300, QChar('x'));
        PluginMetaData failed = record(MSG_RESULT);
        failed.jsonData = {{"result", "设置增益"}, {"success", 0}, {"reason", qsReason}};
        host.deliver(failed);
        PluginMetaData done = record(MSG_RESULT);
        done.jsonData = {{"result", "设置曝光"}, {"success", 1}, {"reason", "ignored on success"}};
        host.deliver(done);
        PluginMetaData bare = record(MSG_RESULT);
        bare.jsonData = {{"result", "获取增益"}, {"success", 0}};
        host.deliver(bare);

        QCOMPARE(pResults->count(), nBefore + 4);
        QCOMPARE(pResults->item(nBefore)->foreground().color(), QColor(238, 70, 59));
        QListWidgetItem* pReason = pResults->item(nBefore + 1);
        const QString qsShown = pReason->text();
        QCOMPARE(qsShown.size(), 200);
        QVERIFY(qsShown.startsWith("gain 30 <b>outside</b> 0 to 24 &xxx"));
        QCOMPARE(pReason->foreground().color(), QColor(238, 70, 59));
        QCOMPARE(pReason->toolTip(), QString("<qt>%1</qt>").arg(qsShown.toHtmlEscaped()));
        QVERIFY(pReason->toolTip().contains("&lt;b&gt;outside&lt;/b&gt;"));
        QCOMPARE(pResults->item(nBefore + 2)->foreground().color(), QColor(255, 255, 255));
        QCOMPARE(pResults->item(nBefore + 3)->foreground().color(), QColor(238, 70, 59));
    }

    // "触发类型": the operator's pick goes to the camera; the camera's value, read when
    // the page opens (once the ranges say the camera has a trigger activation), only
    // moves the box.
    void triggerTypeIsSentAndRead()
    {
        OpenedPage page;
        Capturo& plugin = page.plugin;
        FakeHost& host = page.host;
        QVERIFY(!host.serviceIds().contains(MSG_GET_TRIGGER_TYPE));
        PluginMetaData info = record(MSG_GET_CAMERA_INFO);
        info.varData = QVariant::fromValue(CameraInfo());
        host.deliver(info);
        QVERIFY(host.serviceIds().contains(MSG_GET_TRIGGER_TYPE));
        auto* pCombo = plugin.configUI()->findChild<QComboBox*>("comboBox_trigger_type");
        QVERIFY(pCombo);

        host.log.clear();
        PluginMetaData read = record(MSG_GET_TRIGGER_TYPE);
        read.varData = 1;
        host.deliver(read);
        QCOMPARE(pCombo->currentIndex(), 1);
        QCOMPARE(host.serviceIds(), QList<int>());
        // A value no entry stands for leaves the box alone.
        read.varData = 7;
        host.deliver(read);
        QCOMPARE(pCombo->currentIndex(), 1);

        emit pCombo->activated(0);
        QCOMPARE(host.log.idValues(), (QList<IdValue>{{MSG_SET_TRIGGER_TYPE, 0}}));

        // Read again on a camera without one: no read, but the operator's pick still
        // goes out, and the core's refusal is what the status list shows.
        info.varData = QVariant::fromValue(CameraInfo());
        info.jsonData.insert("trigger_activation", false);
        host.log.clear();
        host.deliver(record(MSG_CORE_CONNECTED));
        host.deliver(info);
        QCOMPARE(host.serviceIds(), (QList<int>{MSG_GET_CAMERA_INFO, MSG_GET_CAMERA_PARAMS}));
        host.log.clear();
        emit pCombo->activated(1);
        QCOMPARE(host.log.idValues(), (QList<IdValue>{{MSG_SET_TRIGGER_TYPE, 1}}));
    }

    // The continuous button is checked exactly while continuous shooting is on: a
    // refused start, video mode and a restart that failed after a reconnection
    // uncheck it; a reconnection that restarted shooting keeps it checked.
    void continuousButtonShowsTheShootingState()
    {
        OpenedPage page;
        Capturo& plugin = page.plugin;
        FakeHost& host = page.host;
        QPushButton* pButton = host.button("continuePhoto");
        auto status = [&host](const char* pText, int nSuccess) {
            PluginMetaData plt = record(MSG_RESULT);
            plt.jsonData.insert("result", QString::fromUtf8(pText));
            plt.jsonData.insert("success", nSuccess);
            host.deliver(plt);
        };

        pButton->click();
        QVERIFY(pButton->isChecked());
        status("调用连续拍照", 0);
        QVERIFY(!pButton->isChecked());

        pButton->click();
        status("调用连续拍照", 1);
        QVERIFY(pButton->isChecked());
        // Another command's failure says nothing of the shooting.
        status("设置增益", 0);
        QVERIFY(pButton->isChecked());

        // Lost and back with shooting restarted: still checked.
        status("与视觉核心的连接已断开，正在重新连接", 0);
        QVERIFY(pButton->isChecked());
        PluginMetaData back = record(MSG_CORE_CONNECTED);
        back.jsonData.insert("continuous", true);
        host.deliver(back);
        QVERIFY(pButton->isChecked());
        // Back without it: unchecked.
        back.jsonData.insert("continuous", false);
        host.deliver(back);
        QVERIFY(!pButton->isChecked());

        // Video mode takes over.
        pButton->click();
        QVERIFY(pButton->isChecked());
        plugin.configUI()->findChild<QCheckBox*>("checkBox_Video")->setChecked(true);
        QVERIFY(!pButton->isChecked());
        // The next click starts again.
        host.log.clear();
        pButton->click();
        QCOMPARE(host.serviceIds(), QList<int>{MSG_CONTINUOUS_START});
    }
};

QTEST_MAIN(TestCapturoPlugin)
#include "tst_capturo_plugin.moc"
