// The frame path in-process: frames from the core's thread and from two more
// threads at once, each record carrying its own image, a stalled GUI thread
// seeing only the newest frames, and images built from the frame itself when
// the hand-over file is unusable. Also run under ThreadSanitizer.
#include "FrameHandOff.h"
#include "RunFolder.h"
#include "Service.h"
#include "SimCore.h"
#include "framework/PluginMessages.h"

#include <QElapsedTimer>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

// An image whose every byte holds the same value.
std::shared_ptr<VexaImage> uniformFrame(int nWidth, int nHeight, VexaImage::E_Image_Type type,
                                        unsigned char nValue, quint64 nIdentifier)
{
    const int nChannels = type == VexaImage::IMAGE_GRAY ? 1 : type == VexaImage::IMAGE_BGR ? 3 : 4;
    // Rows padded beyond the pixels, as a camera may deliver them.
    const int nStep = nWidth * nChannels + 5;
    auto pImage = std::make_shared<VexaImage>(nWidth, nHeight, type, nStep);
    std::fill(pImage->data(), pImage->data() + size_t(nStep) * nHeight, nValue);
    pImage->setIdentifier(nIdentifier);
    return pImage;
}

} // namespace

// Plays the camera page: keeps each record with the thread it arrived on.
class PageProbe : public QObject
{
    Q_OBJECT
public:
    QList<PluginMetaData> records;
    bool bAllOnGuiThread = true;

public slots:
    void slotEventFromPlugins(PluginMetaData plt)
    {
        bAllOnGuiThread = bAllOnGuiThread && QThread::currentThread() == qApp->thread();
        records << plt;
    }

public:
    QList<PluginMetaData> frames() const
    {
        QList<PluginMetaData> result;
        for (const PluginMetaData& plt : records)
            if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == MSG_FRAME)
                result << plt;
        return result;
    }
};

class TestServiceFrames : public QObject
{
    Q_OBJECT

private:
    SimCore m_sim;
    RunFolder m_run;
    std::unique_ptr<Service> m_pService;
    PageProbe m_page;

private slots:
    void initTestCase()
    {
        QVERIFY(m_sim.start({"--width", "320", "--height", "240"}));
        QVERIFY(m_run.writeConfig(m_sim.endpoint()));
        QVERIFY(m_run.enter());
        m_pService = std::make_unique<Service>();
        // Connecting runs in the background.
        QTRY_VERIFY_WITH_TIMEOUT(m_pService->isConnected(), 5000);
        connect(m_pService.get(), &DTPluginBase::sendSignalToPlugins, &m_page,
                &PageProbe::slotEventFromPlugins);
    }

    void cleanupTestCase()
    {
        m_pService->slotEventFromPlugins(
            PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_CONTINUOUS_STOP, {}, nullptr, {}});
        m_pService.reset();
        m_sim.stop();
    }

    void init() { m_page.records.clear(); }

    void concurrentFramesCarryTheirOwnImages()
    {
        // The core shoots continuously while two more threads hand in frames.
        m_pService->slotEventFromPlugins(
            PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_CONTINUOUS_START, {}, nullptr, {}});
        std::atomic<int> nReady{0};
        auto feed = [this, &nReady](unsigned char nBase, quint64 nFirstId) {
            ++nReady;
            while (nReady.load() < 2) {
            }
            for (int i = 0; i < 40; ++i)
                m_pService->onFrameCallback(
                    uniformFrame(96, 64, VexaImage::IMAGE_BGR, nBase + i, nFirstId + i));
        };
        std::thread first(feed, 10, 1000000);
        std::thread second(feed, 100, 2000000);
        auto coreFrames = [this] {
            int nCount = 0;
            for (const PluginMetaData& frame : m_page.frames())
                nCount += frame.jsonData["key"].toString().toULongLong() < 1000000 ? 1 : 0;
            return nCount;
        };
        while (nReady.load() < 2 || m_page.frames().size() < 20)
            QTest::qWait(5);
        first.join();
        second.join();
        QTRY_VERIFY_WITH_TIMEOUT(coreFrames() >= 2, 10000);
        m_pService->slotEventFromPlugins(
            PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_CONTINUOUS_STOP, {}, nullptr, {}});

        QVERIFY(m_page.bAllOnGuiThread);
        int nOwn = 0;
        int nCore = 0;
        for (const PluginMetaData& frame : m_page.frames()) {
            const quint64 nKey = frame.jsonData["key"].toString().toULongLong();
            const QImage image = frame.varData.value<QImage>();
            if (nKey >= 1000000) {
                // Each fed frame shows its own value, never a neighbour's.
                const int nValue = nKey >= 2000000 ? 100 + int(nKey - 2000000) : 10 + int(nKey - 1000000);
                QCOMPARE(image.size(), QSize(96, 64));
                QCOMPARE(image.pixel(95, 63), qRgb(nValue, nValue, nValue));
                QCOMPARE(image.pixel(0, 0), qRgb(nValue, nValue, nValue));
                ++nOwn;
            } else {
                QCOMPARE(image.size(), QSize(320, 240));
                ++nCore;
            }
        }
        QVERIFY(nOwn > 0);
        QVERIFY(nCore > 0);
        // Every frame record is followed by its status.
        for (int i = 0; i < m_page.records.size(); ++i)
            if (m_page.records[i].nMsgId == MSG_FRAME)
                QCOMPARE(m_page.records.value(i + 1).jsonData["result"].toString(),
                         QString("相机获取拍照成功"));
    }

    void stalledGuiGetsTheNewestTwo()
    {
        // Frames of the earlier continuous run may still be on their way (slowly
        // under a sanitizer): start once none came for a while.
        QElapsedTimer quiet;
        quiet.start();
        for (int nSeen = -1; nSeen != m_page.records.size() && quiet.elapsed() < 10000;) {
            nSeen = m_page.records.size();
            QTest::qWait(300);
        }
        m_page.records.clear();
        const qulonglong nDroppedBefore = m_pService->droppedFrames();
        std::thread feeder([this] {
            for (quint64 i = 1; i <= 50; ++i)
                m_pService->onFrameCallback(uniformFrame(16, 8, VexaImage::IMAGE_GRAY, 0, 5000 + i));
        });
        feeder.join();
        QTest::qWait(100);
        const QList<PluginMetaData> frames = m_page.frames();
        QCOMPARE(frames.size(), Service::kFramesInFlight);
        QCOMPARE(frames[0].jsonData["key"].toString(), QString("5049"));
        QCOMPARE(frames[1].jsonData["key"].toString(), QString("5050"));
        QCOMPARE(m_pService->droppedFrames() - nDroppedBefore, 48ull);
    }

    // The figures count what arrives apart from what the page is given: a GUI thread
    // that falls behind shows as dropped frames, never as a slower camera.
    void figuresTellReceivedFromShown()
    {
        QElapsedTimer quiet;
        quiet.start();
        for (int nSeen = -1; nSeen != m_page.records.size() && quiet.elapsed() < 10000;) {
            nSeen = m_page.records.size();
            QTest::qWait(300);
        }
        auto figures = [this] {
            QList<QJsonObject> result;
            for (const PluginMetaData& plt : m_page.records)
                if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == MSG_FIGURES)
                    result << plt.jsonData;
            return result;
        };
        auto request = [this](bool bOn) {
            m_pService->slotEventFromPlugins(
                PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_FIGURES_REQUEST, bOn, nullptr, {}});
        };
        m_page.records.clear();
        QVERIFY(figures().isEmpty());
        request(true);
        QCOMPARE(figures().size(), 1); // at once, then once a second
        const QJsonObject before = figures().first();
        QCOMPARE(before.value("link").toString(), QString("connected"));

        // 50 frames of 16x8 grey (rows of 21 bytes) while the GUI thread is busy.
        std::thread feeder([this] {
            for (quint64 i = 1; i <= 50; ++i)
                m_pService->onFrameCallback(uniformFrame(16, 8, VexaImage::IMAGE_GRAY, 0, 7000 + i));
        });
        feeder.join();
        QTRY_VERIFY_WITH_TIMEOUT(figures().size() >= 2, 3000);
        const QJsonObject after = figures().last();
        const int nShown = m_page.frames().size();
        QCOMPARE(after.value("received").toDouble() - before.value("received").toDouble(), 50.0);
        QCOMPARE(after.value("bytes").toDouble() - before.value("bytes").toDouble(), 50.0 * 21 * 8);
        QCOMPARE(nShown, Service::kFramesInFlight);
        QCOMPARE(after.value("dropped").toDouble() - before.value("dropped").toDouble(), double(50 - nShown));

        // From the simulator at a known rate: 20 frames a second.
        m_pService->slotEventFromPlugins(
            PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_SET_TRIGGER_GAP, 50, nullptr, {}});
        m_pService->slotEventFromPlugins(
            PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_CONTINUOUS_START, {}, nullptr, {}});
        const int nFrom = figures().size();
        QTRY_VERIFY_WITH_TIMEOUT(figures().size() >= nFrom + 3, 6000);
        m_pService->slotEventFromPlugins(
            PluginMetaData{false, {}, {}, MODULE_SERVICE, MSG_CONTINUOUS_STOP, {}, nullptr, {}});
        const QList<QJsonObject> all = figures();
        const double dPerBeat = all.last().value("received").toDouble()
            - all.at(all.size() - 2).value("received").toDouble();
        QVERIFY2(dPerBeat >= 5 && dPerBeat <= 30, qPrintable(QString::number(dPerBeat)));

        // Not wanted any more: nothing more goes out.
        request(false);
        const int nLast = figures().size();
        QTest::qWait(1500);
        QCOMPARE(figures().size(), nLast);
    }

    void recordImageMatchesQtsReadingOfTheFile()
    {
        // Widths around the four-pixel steps of the conversion, odd widths
        // with padded rows; every byte different from its neighbours.
        FrameHandOff handOff("readback.bmp");
        for (VexaImage::E_Image_Type type : {VexaImage::IMAGE_BGR, VexaImage::IMAGE_BGRA}) {
            for (int nWidth : {1, 2, 3, 4, 5, 6, 7, 8, 9, 97}) {
                auto pFrame = uniformFrame(nWidth, 13, type, 0, 9);
                for (int i = 0; i < pFrame->widthStep() * pFrame->height(); ++i)
                    pFrame->data()[i] = static_cast<unsigned char>(i * 37 + 11);
                const QImage image = handOff.toImage(pFrame);
                QVERIFY(handOff.waitIdle(5000));
                // The same image Qt's own reader makes of the file the frame
                // went to, format included: the page sees what it always saw.
                const QImage qt("readback.bmp");
                QCOMPARE(image.format(), qt.format());
                QCOMPARE(image, qt);
                const int nLast = nWidth - 1;
                const int nChannels = pFrame->channels();
                const unsigned char* pPixel = pFrame->data() + pFrame->widthStep() * 12 + nLast * nChannels;
                QCOMPARE(image.pixel(nLast, 12), qRgb(pPixel[2], pPixel[1], pPixel[0]));
            }
        }
        QCOMPARE(handOff.written(), 20ull);
        QVERIFY(QFile::remove("readback.bmp"));
    }

    void unusableFileStillGivesTheFramesPixels()
    {
        QVERIFY(!QFile::exists("test.bmp") || QFile::remove("test.bmp"));
        QVERIFY(QDir().mkdir("test.bmp"));

        auto pGrey = uniformFrame(5, 3, VexaImage::IMAGE_GRAY, 40, 2);
        auto pBgr = uniformFrame(5, 3, VexaImage::IMAGE_BGR, 0, 3);
        pBgr->data()[0] = 1; // blue
        pBgr->data()[1] = 2; // green
        pBgr->data()[2] = 3; // red
        auto pBgra = uniformFrame(5, 3, VexaImage::IMAGE_BGRA, 0, 4);
        const unsigned char bgra[] = {10, 20, 30, 200};
        std::copy(bgra, bgra + 4, pBgra->data() + pBgra->widthStep() * 2 + 4 * 4);
        for (const auto& pImage : {pGrey, pBgr, pBgra})
            m_pService->onFrameCallback(pImage);
        QTRY_COMPARE(m_page.frames().size(), 2); // newest two of the three
        QVERIFY(QDir().rmdir("test.bmp"));

        const QList<PluginMetaData> frames = m_page.frames();
        const QImage bgr = frames[0].varData.value<QImage>();
        QCOMPARE(frames[0].jsonData["key"].toString(), QString("3"));
        QCOMPARE(bgr.size(), QSize(5, 3));
        QCOMPARE(bgr.pixel(0, 0), qRgb(3, 2, 1));
        QCOMPARE(bgr.pixel(4, 2), qRgb(0, 0, 0));
        // The alpha byte of a camera frame means nothing: the image is opaque.
        const QImage argb = frames[1].varData.value<QImage>();
        QCOMPARE(argb.pixel(4, 2), qRgb(30, 20, 10));
        QCOMPARE(argb.pixel(0, 0), qRgb(0, 0, 0));

        m_page.records.clear();
        m_pService->onFrameCallback(pGrey);
        QTRY_COMPARE(m_page.frames().size(), 1);
        const QImage grey = m_page.frames()[0].varData.value<QImage>();
        QCOMPARE(grey.format(), QImage::Format_Grayscale8);
        QCOMPARE(grey.pixel(4, 2), qRgb(40, 40, 40));
    }

    // Another client started in the same folder keeps replacing test.bmp with
    // its own frames: every record here still shows this client's frame, and
    // the file ends up holding this client's newest frame once the other stops.
    void anotherStationsFileNeverReachesARecord()
    {
        std::atomic<bool> bOther{true};
        std::atomic<int> nOtherWrites{0};
        std::thread other([&] {
            VexaImage foreign(32, 16, VexaImage::IMAGE_BGR, 32 * 3);
            std::fill(foreign.data(), foreign.data() + 32 * 3 * 16, 200);
            while (bOther) {
                foreign.writeToFileBMP("test.bmp");
                ++nOtherWrites;
            }
        });
        int nChecked = 0;
        for (int i = 0; i < 300; ++i) {
            const unsigned char nValue = static_cast<unsigned char>(i % 150);
            m_pService->onFrameCallback(uniformFrame(32, 16, VexaImage::IMAGE_BGR, nValue, 70000 + i));
            QCoreApplication::processEvents();
            for (const PluginMetaData& frame : m_page.frames()) {
                const int nOwn = int(frame.jsonData["key"].toString().toULongLong() - 70000) % 150;
                const QImage image = frame.varData.value<QImage>();
                QCOMPARE(image.pixel(0, 0), qRgb(nOwn, nOwn, nOwn));
                QCOMPARE(image.pixel(31, 15), qRgb(nOwn, nOwn, nOwn));
                ++nChecked;
            }
            m_page.records.clear();
        }
        bOther = false;
        other.join();
        QVERIFY(nOtherWrites.load() > 0);
        QVERIFY(nChecked > 0);
        m_pService->onFrameCallback(uniformFrame(32, 16, VexaImage::IMAGE_BGR, 77, 99999));
        QTRY_COMPARE(QImage("test.bmp").pixel(31, 15), qRgb(77, 77, 77));
    }

    // A disk that cannot keep up: the caller never waits for it, frames not
    // written yet give way to the newest, and the file ends with the newest.
    void slowDiskSkipsToTheNewestFrame()
    {
        std::mutex gate;
        std::unique_lock<std::mutex> blocked(gate);
        std::mutex writtenMutex;
        QList<quint64> written;
        std::atomic<bool> bStalled{false};
        FrameHandOff handOff("slow.bmp", [&](VexaImage& image, const QByteArray&) {
            bStalled = true;
            std::lock_guard<std::mutex> wait(gate);
            std::lock_guard<std::mutex> lock(writtenMutex);
            written << image.getIdentifier();
            return true;
        });
        QCOMPARE(handOff.toImage(uniformFrame(4, 2, VexaImage::IMAGE_GRAY, 1, 1)).width(), 4);
        QTRY_VERIFY(bStalled.load());
        // Fifty hand-overs against a disk that does not move at all: each returns while
        // the writer is still held (a waiting caller would never get here).
        for (quint64 i = 2; i <= 50; ++i)
            QCOMPARE(handOff.toImage(uniformFrame(4, 2, VexaImage::IMAGE_GRAY, 1, i)).width(), 4);
        QVERIFY(!handOff.waitIdle(50));
        blocked.unlock();
        QVERIFY(handOff.waitIdle(5000));
        std::lock_guard<std::mutex> lock(writtenMutex);
        // The first was being written when the disk stalled; of the rest only the newest.
        QCOMPARE(written, QList<quint64>({1, 50}));
        QCOMPARE(handOff.skipped(), 48ull);
        QCOMPARE(handOff.written(), 2ull);
    }

    void rejectedFramesReachTheStatusListAtMostOnceASecond()
    {
        // A burst, as a core sending nothing but malformed frames does.
        for (std::uint64_t n = 1; n <= 500; ++n)
            m_pService->onRejectedFrameCallback(n, "pixel bytes do not match the geometry");
        auto reports = [this] {
            QList<PluginMetaData> result;
            for (const PluginMetaData& plt : m_page.records)
                if (plt.nMsgId == MSG_RESULT)
                    result << plt;
            return result;
        };
        QTRY_COMPARE(reports().size(), 1);
        QCOMPARE(reports()[0].jsonData["result"].toString(), Service::rejectedFramesText(500));
        QCOMPARE(reports()[0].jsonData["success"].toInt(), 0);
        QElapsedTimer timer;
        timer.start();
        m_pService->onRejectedFrameCallback(501, "unknown pixel type 9");
        m_pService->onRejectedFrameCallback(502, "unknown pixel type 9");
        // The next report waits for its second, then shows the latest count.
        QTRY_COMPARE_WITH_TIMEOUT(reports().size(), 2, 5000);
        QVERIFY(timer.elapsed() >= Service::kRejectReportIntervalMs - 300);
        QCOMPARE(reports()[1].jsonData["result"].toString(), Service::rejectedFramesText(502));
        QCOMPARE(m_pService->rejectedFrames(), 502ull);
        QTest::qWait(200);
        QCOMPARE(reports().size(), 2);
    }

    void cameraParamsRoundExposureThroughFloat()
    {
        // 2^24 + 1 has no float of its own and arrives as 2^24.
        const QJsonObject json = Service::cameraParamsJson(QVariant(16777217u), QVariant(1.5f), QVariant(1),
                                                           QVariant(0.1f));
        QCOMPARE(json["exposure"].toDouble(), 16777216.0);
        QCOMPARE(json["gain"].toDouble(), 1.5);
        QCOMPARE(json["trigger_mode"].toVariant().userType(), int(QMetaType::LongLong));
        QCOMPARE(json["trigger_gap"].toDouble(), double(0.1f));
    }

    void emptyDemoFrame()
    {
        m_pService->testDemo();
        QCOMPARE(m_page.records.size(), 1);
        QCOMPARE(m_page.records[0].nMsgId, int(MSG_FRAME));
        QVERIFY(!m_page.records[0].varData.isValid());
        QVERIFY(m_page.records[0].jsonData.isEmpty());
    }
};

QTEST_MAIN(TestServiceFrames)
#include "tst_service_frames.moc"
