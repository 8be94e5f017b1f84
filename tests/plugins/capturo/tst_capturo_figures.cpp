// The live acquisition figures: rates from the service's totals and from the frames
// the page shows, told apart, and the switch that asks the service for them.
#include "AcquisitionFigures.h"
#include "Capturo.h"
#include "CapturoUI.h"
#include "LiveFigures.h"
#include "ViewOptions.h"

#include "framework/PluginMessages.h"

#include <QAction>
#include <QLabel>
#include <QSignalSpy>
#include <QtTest>

namespace {

AcquisitionFigures::Totals totals(quint64 nReceived, quint64 nBytes, quint64 nDropped = 0)
{
    AcquisitionFigures::Totals t;
    t.nReceived = nReceived;
    t.nBytes = nBytes;
    t.nDropped = nDropped;
    t.qsLink = "connected";
    return t;
}

} // namespace

class TstCapturoFigures : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<PluginMetaData>("PluginMetaData"); }

    void ratesFromTotals()
    {
        AcquisitionFigures figures;
        // 30 frames of 1 MiB a second, reported every second.
        for (int s = 0; s <= 5; ++s)
            figures.addTotals(s * 1000, totals(quint64(30 * s), quint64(30 * s) << 20));
        // The display keeps up with 10 of them a second only.
        for (int i = 0; i < 20; ++i)
            figures.addShown(3050 + i * 100);
        const AcquisitionFigures::Figures now = figures.figures(5000);
        QCOMPARE(now.dReceivedFps, 30.0);
        QCOMPARE(now.dMBps, 30.0);
        QCOMPARE(now.dShownFps, 10.0);
        QCOMPARE(now.totals.nReceived, quint64(150));

        // Shown frames age out of the window; received rate comes only from totals.
        QCOMPARE(figures.figures(6950).dShownFps, 0.0);
        // No report for longer than the window: no rate rather than a stale one.
        QCOMPARE(figures.figures(8000).dReceivedFps, 0.0);
        QCOMPARE(figures.figures(8000).totals.nReceived, quint64(150));
    }

    void restartedServiceStartsOver()
    {
        AcquisitionFigures figures;
        figures.addTotals(0, totals(1000, 0));
        figures.addTotals(1000, totals(1030, 0));
        figures.addTotals(2000, totals(5, 0)); // counts from zero again
        QCOMPARE(figures.figures(2000).dReceivedFps, 0.0);
        figures.addTotals(3000, totals(25, 0));
        QCOMPARE(figures.figures(3000).dReceivedFps, 20.0);
    }

    void textNamesEveryFigure()
    {
        AcquisitionFigures::Figures f;
        f.dReceivedFps = 29.96;
        f.dShownFps = 12.04;
        f.dMBps = 8.789;
        f.totals = totals(10, 0, 3);
        f.totals.nSaved = 7;
        f.totals.nSaveFailed = 1;
        f.totals.qsLink = "lost";
        QCOMPARE(AcquisitionFigures::text(f),
                 QString::fromUtf8("接收 30.0 帧/秒  |  显示 12.0 帧/秒  |  8.79 MiB/秒  |  显示丢弃 3  |  "
                                   "已保存 7  |  保存失败 1  |  视觉核心: 已断开"));
        // A link state the service never sends is not given a meaning.
        QCOMPARE(AcquisitionFigures::linkText("reconnecting"), QString::fromUtf8("未知"));
    }

    // Frames the core left out for this client show beside those the display
    // dropped, read from the service's record; while there are none, nothing.
    void framesTheCoreLeftOutAreShown()
    {
        LiveFigures live;
        live.setOn(true);
        live.addTotals(QJsonObject{{"received", 5}, {"dropped", 2}, {"link", "connected"}});
        QTRY_VERIFY(live.label()->text().contains(QString::fromUtf8("显示丢弃 2  |  已保存")));
        live.addTotals(
            QJsonObject{{"received", 9}, {"dropped", 2}, {"dropped_by_core", 14}, {"link", "connected"}});
        QTRY_VERIFY(
            live.label()->text().contains(QString::fromUtf8("显示丢弃 2  |  核心丢弃 14  |  已保存")));
        live.setOn(false);
    }

    // The camera's state beside the link's: a reachable core with a lost camera
    // does not read as all well.
    void cameraStateStandsBesideTheLink_data()
    {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("tail");
        QTest::newRow("lost") << "lost" << QString::fromUtf8("视觉核心: 已连接  |  相机: 已断开");
        QTest::newRow("reopening") << "reopening"
                                   << QString::fromUtf8("视觉核心: 已连接  |  相机: 正在重新打开");
        QTest::newRow("back") << "back" << QString::fromUtf8("视觉核心: 已连接  |  相机: 已恢复");
        QTest::newRow("nothing told") << "" << QString::fromUtf8("保存失败 0  |  视觉核心: 已连接");
    }

    void cameraStateStandsBesideTheLink()
    {
        QFETCH(QString, state);
        QFETCH(QString, tail);
        LiveFigures live;
        live.setOn(true);
        live.addTotals(QJsonObject{{"received", 5}, {"link", "connected"}, {"camera_state", state}});
        QTRY_VERIFY(live.label()->text().endsWith(tail));
        live.setOn(false);
    }

    // The camera's losses stand right beside received and shown, so a lossy link does
    // not read as a slow camera; a core that counted nothing adds nothing.
    void cameraLossesStandBesideReceivedAndShown()
    {
        LiveFigures live;
        live.setOn(true);
        live.addTotals(QJsonObject{{"received", 5},
                                   {"link", "connected"},
                                   {"completed", 80},
                                   {"incomplete", 20},
                                   {"no_buffer", 3},
                                   {"missing_packets", 4000},
                                   {"resent", 7}});
        QTRY_VERIFY(live.label()->text().contains(QString::fromUtf8("视觉核心: 已连接")));
        const QStringList parts = live.label()->text().split(QStringLiteral("  |  "));
        QVERIFY(parts.size() > 4);
        QVERIFY(parts[0].startsWith(QString::fromUtf8("接收 ")));
        QVERIFY(parts[1].startsWith(QString::fromUtf8("显示 ")));
        QCOMPARE(parts[2], QString::fromUtf8("相机丢帧 23, 丢包 4000"));
        QCOMPARE(live.label()->toolTip(),
                 QString::fromUtf8("相机: 完整帧 80, 不完整帧 20, 无缓冲丢帧 3, 缺失包 4000, 重发包 7"));
        live.setOn(false);

        LiveFigures plain;
        plain.setOn(true);
        plain.addTotals(QJsonObject{{"received", 5}, {"link", "connected"}});
        QTRY_VERIFY(plain.label()->text().contains(QString::fromUtf8("视觉核心: 已连接")));
        QVERIFY(!plain.label()->text().contains(QString::fromUtf8("丢帧")));
        QVERIFY(!plain.label()->text().contains(QString::fromUtf8("丢包")));
        QVERIFY(plain.label()->toolTip().isEmpty());
        plain.setOn(false);
    }

    // Switched on from the view's menu: the service is asked, the label goes into
    // the status bar once; off: asked no more and the label hides.
    void switchAsksTheServiceAndPlacesTheLabelOnce()
    {
        Capturo plugin;
        QWidget container;
        PluginMetaData open;
        open.nModule = MODULE_CAPTURO;
        open.nMsgId = MSG_PAGE_ACTIVATED;
        open.pHandle = &container;
        plugin.slotEventFromPlugins(open);
        QVERIFY(plugin.configUI());

        QSignalSpy sent(&plugin, &DTPluginBase::sendSignalToPlugins);
        QSignalSpy placed(&plugin, &DTPluginBase::signalAddStatusBarControls);
        QAction* pAction = plugin.configUI()->viewOptions()->figuresAction();
        QLabel* pLabel = plugin.liveFigures()->label();

        pAction->trigger();
        QCOMPARE(placed.size(), 1);
        QCOMPARE(placed.at(0).at(0).value<QWidget*>(), static_cast<QWidget*>(pLabel));
        QCOMPARE(sent.size(), 1);
        PluginMetaData request = sent.at(0).at(0).value<PluginMetaData>();
        QCOMPARE(request.nModule, int(MODULE_SERVICE));
        QCOMPARE(request.nMsgId, int(MSG_FIGURES_REQUEST));
        QCOMPARE(request.varData.toBool(), true);
        QVERIFY(!pLabel->isHidden());

        // Totals and frames reach the label at its next refresh.
        PluginMetaData figures;
        figures.nModule = MODULE_CAPTURO;
        figures.nMsgId = MSG_FIGURES;
        figures.jsonData = QJsonObject{{"received", 42}, {"bytes", 0},       {"dropped", 2},
                                       {"saved", 40},    {"save_failed", 0}, {"link", "connected"}};
        plugin.slotEventFromPlugins(figures);
        QTRY_VERIFY(pLabel->text().contains(QString::fromUtf8("已保存 40")));
        QVERIFY(pLabel->text().contains(QString::fromUtf8("显示丢弃 2")));
        QVERIFY(pLabel->text().contains(QString::fromUtf8("视觉核心: 已连接")));

        pAction->trigger();
        QVERIFY(pLabel->isHidden());
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(1).at(0).value<PluginMetaData>().varData.toBool(), false);
        pAction->trigger();
        QCOMPARE(placed.size(), 1);
        QVERIFY(!pLabel->isHidden());
    }
};

QTEST_MAIN(TstCapturoFigures)
#include "tst_capturo_figures.moc"
