// Saving in the service, ahead of the display's bound: every frame that arrives
// while saving is on reaches the disk or is counted, even while the GUI thread
// is stalled; files are never replaced, not by a core that numbers its frames
// from 1 again after a restart, nor by another client saving into the same
// folder; the camera page lists exactly the files written, and its save switch
// always tells the truth about saving. Also run under ThreadSanitizer.
#include "FrameSaveQueue.h"
#include "RateLimitedStatus.h"
#include "RunFolder.h"
#include "SaveProbe.h"
#include "Service.h"
#include "SimCore.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QPluginLoader>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

#include <atomic>
#include <thread>

// The host's relay between the plugins, connected by signature as the host does.
class Bus : public QObject
{
    Q_OBJECT
public:
    void join(QObject* pPlugin)
    {
        connect(pPlugin, SIGNAL(sendSignalToPlugins(PluginMetaData)), this, SLOT(relay(PluginMetaData)));
        connect(this, SIGNAL(sendSignalToPlugins(PluginMetaData)), pPlugin,
                SLOT(slotEventFromPlugins(PluginMetaData)));
    }
signals:
    void sendSignalToPlugins(PluginMetaData plt);
public slots:
    void relay(PluginMetaData plt) { emit sendSignalToPlugins(plt); }
};

class TestServiceSaving : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    SimCore m_sim;
    RunFolder m_run;
    std::unique_ptr<Service> m_pService;
    SaveProbe m_page;

    void waitSaved()
    {
        QVERIFY(m_pService->saveQueue().waitIdle(20000));
        // The saved records still cross to this thread.
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }

private slots:
    void initTestCase()
    {
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        QVERIFY(m_sim.start({"--width", "64", "--height", "48"}));
        QVERIFY(m_run.writeConfig(m_sim.endpoint()));
        QVERIFY(m_run.enter());
        m_pService = std::make_unique<Service>();
        // Connecting runs in the background.
        QTRY_VERIFY_WITH_TIMEOUT(m_pService->isConnected(), 5000);
        connect(m_pService.get(), &DTPluginBase::sendSignalToPlugins, &m_page,
                &SaveProbe::slotEventFromPlugins);
    }

    void cleanupTestCase()
    {
        m_pService.reset();
        m_sim.stop();
    }

    void init() { m_page.records.clear(); }

    void everyFrameIsSavedWhileTheDisplayDropsFrames()
    {
        QTemporaryDir folder;
        m_pService->slotEventFromPlugins(saveSettings(true, folder.path()));
        const qulonglong nSaved0 = m_pService->savedFrames();
        const qulonglong nDropped0 = m_pService->droppedFrames();
        // The GUI thread does not run while the frames come: the display keeps
        // only the newest two, saving must keep them all.
        std::thread feeder([this] {
            for (int i = 0; i < 60; ++i)
                m_pService->onFrameCallback(taggedFrame(32, 24, 7, i, 6000 + i));
        });
        feeder.join();
        waitSaved();
        QVERIFY(m_pService->droppedFrames() - nDropped0 >= 50);
        QCOMPARE(m_pService->savedFrames() - nSaved0, 60ull);
        const QStringList files = allFiles(folder.path());
        QCOMPARE(files.size(), 60);
        QSet<int> numbers;
        for (const QString& qsFile : files) {
            const QImage image(folder.filePath(qsFile));
            QCOMPARE(image.size(), QSize(32, 24));
            QCOMPARE(tagOf(image), 7);
            // Named by its key.
            QCOMPARE(qsFile, QString("%1.bmp").arg(6000 + numberOf(image)));
            numbers << numberOf(image);
        }
        QCOMPARE(numbers.size(), 60);

        // One record per file, in the order written, with the list's name and a small icon.
        QTRY_COMPARE(m_page.withId(MSG_FRAME_SAVED).size(), 60);
        const QList<PluginMetaData> saved = m_page.withId(MSG_FRAME_SAVED);
        for (int i = 0; i < saved.size(); ++i) {
            QCOMPARE(saved[i].jsonData["key"].toString(), QString::number(6000 + i));
            QCOMPARE(saved[i].jsonData["name"].toString(), folder.path() + "//" + QString::number(6000 + i));
            QVERIFY(QFileInfo::exists(saved[i].jsonData["file"].toString()));
            const QImage icon = saved[i].varData.value<QImage>();
            QCOMPARE(icon.size(), QSize(32, 24));
        }
        QVERIFY(m_page.failures().isEmpty());

        // Off: nothing more is written.
        m_pService->slotEventFromPlugins(saveSettings(false, folder.path()));
        m_pService->onFrameCallback(taggedFrame(32, 24, 7, 99, 6099));
        waitSaved();
        QCOMPARE(allFiles(folder.path()).size(), 60);
    }

    void aRestartedCoreNeverReplacesAFile()
    {
        QTemporaryDir folder;
        m_pService->slotEventFromPlugins(saveSettings(true, folder.path()));
        auto photo = [this] {
            const int nBefore = m_page.withId(MSG_FRAME_SAVED).size();
            for (int nTry = 0; nTry < 30; ++nTry) {
                m_pService->slotEventFromPlugins(
                    PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_TAKE_PHOTO, {}, nullptr, {}});
                if (QTest::qWaitFor([&] { return m_page.withId(MSG_FRAME_SAVED).size() > nBefore; }, 1000))
                    return m_page.withId(MSG_FRAME_SAVED).last();
            }
            return PluginMetaData();
        };
        // Keys of the first run, and the bytes of their files.
        QMap<QString, QByteArray> firstRun;
        auto bytesOf = [](const QString& qsFile) {
            QFile file(qsFile);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        for (int i = 0; i < 3; ++i) {
            const PluginMetaData saved = photo();
            const QString qsKey = saved.jsonData["key"].toString();
            QVERIFY(!qsKey.isEmpty());
            QCOMPARE(saved.jsonData["file"].toString(), folder.path() + "//" + qsKey + ".bmp");
            firstRun.insert(qsKey, bytesOf(saved.jsonData["file"].toString()));
        }

        // The core comes back on its port and numbers its frames from the start again.
        const int nPort = m_sim.port();
        m_sim.kill();
        QVERIFY(m_sim.start({"--width", "64", "--height", "48"}, nPort));
        PluginMetaData again;
        for (int i = 0; i < 10 && !firstRun.contains(again.jsonData["key"].toString()); ++i)
            again = photo();
        const QString qsKey = again.jsonData["key"].toString();
        QVERIFY2(firstRun.contains(qsKey), "the restarted core sent no key of the first run");
        QCOMPARE(again.jsonData["name"].toString(), folder.path() + "//" + qsKey + "_1");
        const QImage written(again.jsonData["file"].toString());
        QCOMPARE(written.size(), QSize(64, 48));
        // The icon shows the colours of the file (a colour frame, small enough to be its own icon).
        const QImage icon = again.varData.value<QImage>();
        QCOMPARE(icon.size(), QSize(64, 48));
        for (const QPoint& point : {QPoint(0, 0), QPoint(20, 30), QPoint(63, 47)})
            QCOMPARE(icon.pixel(point), written.pixel(point));
        QVERIFY(allFiles(folder.path()).contains(qsKey + "_1.bmp"));
        // Every file of the first run is still there, untouched.
        for (auto it = firstRun.cbegin(); it != firstRun.cend(); ++it)
            QCOMPARE(bytesOf(folder.path() + "/" + it.key() + ".bmp"), it.value());

        // A name counts as taken under either extension.
        QFile jpg(folder.filePath("77.jpg"));
        QVERIFY(jpg.open(QIODevice::WriteOnly));
        jpg.write("not a frame");
        jpg.close();
        m_pService->onFrameCallback(taggedFrame(8, 8, 1, 1, 77));
        waitSaved();
        QVERIFY(QFileInfo::exists(folder.filePath("77_1.bmp")));
        QVERIFY(!QFileInfo::exists(folder.filePath("77.bmp")));
        // JPG files are encoded from the record's image; a BMP frame under the same key
        // then gets a suffix too.
        m_pService->slotEventFromPlugins(saveSettings(true, folder.path(), ".jpg"));
        m_pService->onFrameCallback(taggedFrame(40, 30, 200, 0, 78));
        waitSaved();
        const QImage jpg78(folder.filePath("78.jpg"));
        QCOMPARE(jpg78.size(), QSize(40, 30));
        QVERIFY(qAbs(qGray(jpg78.pixel(20, 20)) - 200) <= 3);
        m_pService->slotEventFromPlugins(saveSettings(true, folder.path(), ".bmp"));
        m_pService->onFrameCallback(taggedFrame(40, 30, 100, 0, 78));
        waitSaved();
        QCOMPARE(tagOf(QImage(folder.filePath("78_1.bmp"))), 100);
        QCOMPARE(QImage(folder.filePath("78.jpg")).size(), QSize(40, 30));
        m_pService->slotEventFromPlugins(saveSettings(false, folder.path()));
    }

    // Two clients save into one folder at once with the same keys: every frame
    // ends up in a file of its own.
    void anotherClientSavingIntoTheSameFolder()
    {
        QTemporaryDir folder;
        FrameSaveQueue::Settings settings;
        settings.bEnabled = true;
        settings.qsFolder = folder.path();
        auto runClient = [&](unsigned char nTag, std::atomic<int>* pSaved) {
            FrameSaveQueue queue([pSaved](const FrameSaveQueue::Saved&) { ++*pSaved; }, {}, {});
            queue.setSettings(settings);
            for (int i = 0; i < 150; ++i) {
                auto pFrame = taggedFrame(16, 4, nTag, i, quint64(i % 30));
                while (!queue.offer(pFrame, QImage(), QString::number(i % 30)))
                    std::this_thread::yield();
            }
            queue.waitIdle(30000);
        };
        std::atomic<int> nSavedA{0};
        std::atomic<int> nSavedB{0};
        std::thread a(runClient, 10, &nSavedA);
        std::thread b(runClient, 20, &nSavedB);
        a.join();
        b.join();
        QCOMPARE(nSavedA.load() + nSavedB.load(), 300);
        const QStringList files = allFiles(folder.path());
        QCOMPARE(files.size(), 300);
        QSet<int> frames;
        for (const QString& qsFile : files) {
            const QImage image(folder.filePath(qsFile));
            QVERIFY2(!image.isNull(), qPrintable(qsFile));
            frames << tagOf(image) * 1000 + numberOf(image);
        }
        QCOMPARE(frames.size(), 300);
    }

    // A disk slower than the frames: the bound is bytes, the caller never
    // waits, and every frame is either saved or counted as not saved.
    void aFullQueueCountsEveryFrameNotSaved()
    {
        QTemporaryDir folder;
        std::atomic<int> nSaved{0};
        QList<quint64> overflowTotals;
        const qint64 nFrameBytes = 640 * 480;
        FrameSaveQueue queue([&](const FrameSaveQueue::Saved&) { ++nSaved; }, {},
                             [&](quint64 nTotal) { overflowTotals << nTotal; }, 3 * nFrameBytes);
        FrameSaveQueue::Settings settings;
        settings.bEnabled = true;
        settings.qsFolder = folder.path();
        queue.setSettings(settings);
        int nAccepted = 0;
        for (int i = 0; i < 100; ++i)
            nAccepted += queue.offer(taggedFrame(640, 480, 3, i, quint64(i)), QImage(), QString::number(i))
                ? 1
                : 0;
        QVERIFY(queue.queuedBytes() <= 3 * nFrameBytes);
        QVERIFY(queue.waitIdle(20000));
        const FrameSaveQueue::Counters counters = queue.counters();
        QCOMPARE(counters.nOffered, 100ull);
        QVERIFY(counters.nOverflowed > 0);
        QCOMPARE(counters.nSaved + counters.nOverflowed, 100ull);
        QCOMPARE(quint64(nAccepted), counters.nSaved);
        QCOMPARE(quint64(nSaved.load()), counters.nSaved);
        QCOMPARE(quint64(allFiles(folder.path()).size()), counters.nSaved);
        QCOMPARE(quint64(overflowTotals.size()), counters.nOverflowed);
        QCOMPARE(overflowTotals.last(), counters.nOverflowed);
        QCOMPARE(queue.queuedBytes(), 0);
    }

    // Icons are made from the frame's own bytes for grey and BGR frames.
    void iconsShowTheFramesColours()
    {
        auto pBgr = std::make_shared<vexa::VexaImage>(200, 100, vexa::VexaImage::IMAGE_BGR, 200 * 3 + 4);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 200; ++x) {
                unsigned char* pPixel = pBgr->data() + y * pBgr->widthStep() + x * 3;
                pPixel[0] = 10;  // blue
                pPixel[1] = 120; // green
                pPixel[2] = 230; // red
            }
        const QImage icon = FrameSaveQueue::iconOf(FrameSaveQueue::borrowedView(*pBgr));
        QCOMPARE(icon.size(), QSize(70, 35));
        QCOMPARE(icon.pixel(35, 17), qRgb(230, 120, 10));
        // The icon owns its pixels: the frame may go.
        pBgr.reset();
        QCOMPARE(icon.pixel(0, 0), qRgb(230, 120, 10));
        auto pGrey = taggedFrame(30, 20, 77, 0, 1);
        QCOMPARE(FrameSaveQueue::iconOf(FrameSaveQueue::borrowedView(*pGrey)).pixel(10, 10),
                 qRgb(77, 77, 77));
        vexa::VexaImage bgra(4, 4, vexa::VexaImage::IMAGE_BGRA, 16);
        QVERIFY(FrameSaveQueue::borrowedView(bgra).isNull());
    }

    void burstsOfStatusesShowOncePerSecondPerKind()
    {
        QList<QPair<QString, qint64>> shown;
        QElapsedTimer clock;
        clock.start();
        RateLimitedStatus status([&](const QString& qsText) { shown << qMakePair(qsText, clock.elapsed()); },
                                 1000);
        std::thread burst([&] {
            for (int i = 1; i <= 500; ++i)
                status.post("full", QString("full %1").arg(i));
            status.post("overflow", "overflow 1");
        });
        burst.join();
        QTRY_COMPARE(shown.size(), 2);
        QCOMPARE(QSet<QString>({shown[0].first, shown[1].first}), QSet<QString>({"full 500", "overflow 1"}));
        status.post("full", "full 501");
        status.post("full", "full 502");
        QTRY_COMPARE_WITH_TIMEOUT(shown.size(), 3, 5000);
        QCOMPARE(shown[2].first, QString("full 502"));
        QVERIFY(shown[2].second - qMin(shown[0].second, shown[1].second) >= 900);
        QTest::qWait(300);
        QCOMPARE(shown.size(), 3);
        // The texts carry the count and the reason.
        QVERIFY(Service::saveFailedText("/d//5.bmp", ENOSPC, 12).contains("/d//5.bmp"));
        QVERIFY(Service::saveFailedText("/d//5.bmp", ENOSPC, 12).contains("12"));
        QVERIFY(Service::saveFailedText("/d//5.bmp", ENOSPC, 12)
                != Service::saveFailedText("/d//5.bmp", EROFS, 12));
        QVERIFY(Service::unsavedFramesText(34).contains("34"));
    }

    // The real page beside the real service: the strip lists the files
    // written, video and local files save nothing, and the switch shows the
    // saving state after a visit to the local files.
    void thePageListsWhatWasSavedAndItsSwitchTellsTheTruth()
    {
        // The page as the host loads it: the plugin file (both plugins cannot link into one program).
        QPluginLoader loader(QStringLiteral(CAPTURO_PLUGIN_FILE));
        QObject* pCapturo = loader.instance();
        QVERIFY2(pCapturo, qPrintable(loader.errorString()));
        Bus bus;
        bus.join(m_pService.get());
        bus.join(pCapturo);
        QWidget container;
        container.setLayout(new QVBoxLayout);
        bus.relay(PluginMetaData{false, {}, {}, MODULE_CAPTURO, MSG_PAGE_ACTIVATED, {}, &container, {}});
        QWidget* pSetting = nullptr;
        for (QWidget* pWidget : QApplication::topLevelWidgets())
            if (pWidget->objectName() == "ImageSetting")
                pSetting = pWidget;
        QVERIFY(pSetting);
        auto* pSwitch = pSetting->findChild<QCheckBox*>("checkBox");
        auto* pList = container.findChild<QListWidget*>("listWidget_Image");
        QVERIFY(pSwitch && pList);
        const QString qsFolder = m_home.path() + "/Documents/kelvora/images";
        QVERIFY(QFileInfo(qsFolder).isDir());
        auto feed = [this](int nFirst, int nCount) {
            for (int i = nFirst; i < nFirst + nCount; ++i)
                m_pService->onFrameCallback(taggedFrame(100, 50, 9, i, quint64(900 + i)));
            waitSaved();
        };

        pSwitch->setChecked(true);
        feed(0, 5);
        QTRY_COMPARE(pList->count(), 5);
        QCOMPARE(allFiles(qsFolder).size(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(pList->item(i)->toolTip(), qsFolder + "//" + QString::number(900 + i));

        // Video mode: neither written nor listed.
        auto* pVideo = container.findChild<QCheckBox*>("checkBox_Video");
        pVideo->setChecked(true);
        feed(5, 3);
        pVideo->setChecked(false);
        QCOMPARE(allFiles(qsFolder).size(), 5);
        QCOMPARE(pList->count(), 5);

        // Local files and back: the switch is off, and so is saving.
        // (The folder dialog is cancelled as soon as it shows.)
        QTimer cancel;
        connect(&cancel, &QTimer::timeout, [] {
            if (auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
                pDialog->reject();
        });
        cancel.start(50);
        container.findChild<QToolButton*>("toolBtn_LocalFile")->click();
        cancel.stop();
        container.findChild<QToolButton*>("toolBtn_Camera")->click();
        QVERIFY(!pSwitch->isChecked());
        feed(8, 3);
        QCOMPARE(allFiles(qsFolder).size(), 5);
        QCOMPARE(pList->count(), 0);
        // On again: saved and listed.
        pSwitch->setChecked(true);
        feed(11, 2);
        QCOMPARE(allFiles(qsFolder).size(), 7);
        QTRY_COMPARE(pList->count(), 2);
        pSwitch->setChecked(false);
        QCOMPARE(m_pService->saveQueue().settings().bEnabled, false);
        // The panel goes with its container, before the plugin file.
        bus.disconnect();
        m_pService->disconnect(&bus);
    }
};

QTEST_MAIN(TestServiceSaving)
#include "tst_service_saving.moc"
