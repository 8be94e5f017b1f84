// A long run of the whole client with saving on: vision-core-sim in continuous
// shooting, the real MainWindow with every plugin, saving switched on in the
// camera page. Each file the service reports written is checked as an image
// (QImageReader, full decode, the expected size) on a worker thread, then
// deleted to spare the disk. (Plugins that save in the page and report nothing
// get each shown frame's file checked instead.) The core is killed (SIGKILL)
// and restarted on the same port --restarts times, evenly spread; after each
// restart the operator's commands (trigger gap, continuous start) are sent
// again until frames come back. Prints the resident size every --sample-every
// frames, and at the end the frames received, shown, saved and not saved.
//
//   pipeline_soak [--frames 10000 | --seconds 60] [--restarts 2] [--width 1920] [--height 1080]
//                 [--format bmp|jpg] [--gap 20] [--sample-every 500]
//
// Memory check of the camera page: --frames 2000 --restarts 0 prints the growth
// of the resident size from frame 100 to the end. Saving at full speed:
// --seconds 60 --gap 1 --restarts 0.
#include "HostSession.h"
#include "MainWindow.h"
#include "PageProbe.h"
#include "ResidentSize.h"
#include "SimCore.h"

#include "framework/PluginMessages.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThreadPool>

#include <atomic>
#include <cstdio>
#include <limits>

#include <malloc.h>

namespace {

FILE* g_pOut = stdout;

// Checks and deletes saved files off the GUI thread, one at a time.
class SavedFileChecker
{
public:
    explicit SavedFileChecker(QSize expected)
        : m_expected(expected)
    {
        m_pool.setMaxThreadCount(1);
    }
    ~SavedFileChecker() { m_pool.waitForDone(); }

    void check(const QString& strPath)
    {
        if (!QFile::exists(strPath)) {
            ++m_nMissing;
            return;
        }
        m_pool.start([this, strPath] {
            QImageReader reader(strPath);
            const QImage image = reader.read();
            if (!image.isNull() && image.size() == m_expected) {
                ++m_nValid;
            } else {
                ++m_nInvalid;
                std::fprintf(stderr, "invalid saved file %s: %s\n", qPrintable(strPath),
                             qPrintable(reader.errorString()));
            }
            QFile::remove(strPath);
        });
    }
    void wait() { m_pool.waitForDone(); }

    std::atomic<quint64> m_nValid{0};
    std::atomic<quint64> m_nInvalid{0};
    std::atomic<quint64> m_nMissing{0};

private:
    QSize m_expected;
    QThreadPool m_pool;
};

void startShooting(HostSession& session, int nGapMs)
{
    session.send(MODULE_SERVICE, MSG_SET_TRIGGER_GAP, double(nGapMs));
    session.send(MODULE_SERVICE, MSG_CONTINUOUS_START);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    g_pOut = takeResultOutput();
    Q_INIT_RESOURCE(kelvora_host_icons);
    QCommandLineParser parser;
    parser.addOptions({{"frames", "Frames to show.", "n", "10000"},
                       {"seconds", "Run this long instead of counting frames.", "s", "0"},
                       {"restarts", "Kills and restarts of the core during the run.", "n", "2"},
                       {"width", "Frame width.", "px", "1920"},
                       {"height", "Frame height.", "px", "1080"},
                       {"format", "Saved format: bmp or jpg.", "ext", "bmp"},
                       {"gap", "Trigger gap of continuous shooting, ms.", "ms", "20"},
                       {"sample-every", "Resident size sample interval, frames.", "n", "500"}});
    parser.addOption({"plugins", "Folder of the plugin files to load (default: the built ones).", "dir"});
    parser.addHelpOption();
    parser.process(app);
    const double dRunSeconds = parser.value("seconds").toDouble();
    const quint64 nFrames = dRunSeconds > 0 ? std::numeric_limits<quint64>::max()
                                            : parser.value("frames").toULongLong();
    const int nRestarts = parser.value("restarts").toInt();
    const QString strFormat = parser.value("format") == QLatin1String("jpg") ? "jpg" : "bmp";
    const int nGap = parser.value("gap").toInt();
    const quint64 nSampleEvery = qMax(1ULL, parser.value("sample-every").toULongLong());
    const QSize frameSize(parser.value("width").toInt(), parser.value("height").toInt());

    // The page saves under the Documents folder: give it a temporary home.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_CONFIG_HOME");

    const QStringList simArgs{"--stamp-time", "--width", parser.value("width"), "--height",
                              parser.value("height")};
    SimCore core;
    if (!core.start(simArgs)) {
        std::fprintf(stderr, "vision-core-sim did not start\n");
        return 1;
    }
    const int nPort = core.port();
    HostSession session;
    if (!session.open(core.endpoint(), parser.value("plugins")))
        return 1;
    const QString strFolder = session.saveFolder();
    if (!strFolder.startsWith(home.path()) || !session.enableSaving(strFormat)) {
        std::fprintf(stderr, "saving could not be switched on (folder %s)\n", qPrintable(strFolder));
        return 1;
    }
    SavedFileChecker checker(frameSize);
    PageProbe probe(session.imageView());
    // The files the service reports written; plugins that report none save each shown frame.
    const bool bServiceSaves = session.servicePlugin()->property("savedFrames").isValid();
    quint64 nSavedRecords = 0;
    quint64 nNotSavedStatuses = 0;
    QString strLastNotSaved;
    QObject::connect(session.window(), &MainWindow::sendSignalToPlugins, &probe, [&](PluginMetaData plt) {
        if (plt.nModule != MODULE_CAPTURO)
            return;
        if (plt.nMsgId == MSG_FRAME_SAVED) {
            ++nSavedRecords;
            checker.check(plt.jsonData.value("file").toString());
        } else if (plt.nMsgId == MSG_RESULT && plt.jsonData.value("success").toInt() != 1) {
            ++nNotSavedStatuses;
            strLastNotSaved = plt.jsonData.value("result").toString();
        }
    });
    probe.setShownHook([&](const QString& strKey) {
        if (!bServiceSaves)
            checker.check(strFolder + "/" + strKey + "." + strFormat);
    });
    QObject::connect(session.window(), &MainWindow::sendSignalToPlugins, &probe,
                     &PageProbe::slotEventFromPlugins);

    if (dRunSeconds > 0)
        std::fprintf(g_pOut, "soak: %.0f s, ", dRunSeconds);
    std::fprintf(
        g_pOut,
        "soak: %llu frames %dx%d, saving on (%s, checked and deleted as written), trigger gap %d ms, "
        "%d core restarts, platform %s\n",
        nFrames, frameSize.width(), frameSize.height(), qPrintable(strFormat), nGap, nRestarts,
        qPrintable(QGuiApplication::platformName()));
    std::fflush(g_pOut);
    // The operator's way in: the gap, then the continuous shooting button.
    session.send(MODULE_SERVICE, MSG_SET_TRIGGER_GAP, double(nGap));
    session.clickContinuous();

    QElapsedTimer clock;
    clock.start();
    long nRssWarm = 0;
    long nRssMax = 0;
    long nRssMinAfterWarm = 0;
    int nRestartsDone = 0;
    quint64 nNextSample = nSampleEvery;
    quint64 nLastShown = 0;
    qint64 nLastProgressMs = 0;
    bool bFailed = false;
    while (probe.shown() < nFrames && (dRunSeconds <= 0 || clock.elapsed() < dRunSeconds * 1000)) {
        spinEvents(20);
        const quint64 nShown = probe.shown();
        if (nShown != nLastShown) {
            nLastShown = nShown;
            nLastProgressMs = clock.elapsed();
        } else if (clock.elapsed() - nLastProgressMs > 20000) {
            std::fprintf(stderr, "no frame for 20 s after %llu frames\n", nShown);
            bFailed = true;
            break;
        }
        if (nShown >= 100 && nRssWarm == 0) {
            nRssWarm = residentKiB();
            nRssMinAfterWarm = nRssWarm;
            std::fprintf(g_pOut, "  %6llu frames  %6.1f s  resident %.1f MiB (after warm-up)\n", nShown,
                         clock.elapsed() / 1e3, nRssWarm / 1024.0);
        }
        if (nShown >= nNextSample) {
            nNextSample += nSampleEvery;
            const long nRss = residentKiB();
            nRssMax = qMax(nRssMax, nRss);
            nRssMinAfterWarm = qMin(nRssMinAfterWarm, nRss);
            // Heap in use against what the allocator holds: growth of the second
            // alone is the allocator keeping freed memory, not a leak.
            const struct mallinfo2 heap = mallinfo2();
            std::fprintf(
                g_pOut,
                "  %6llu frames  %6.1f s  resident %.1f MiB  (heap in use %.1f MiB of %.1f MiB held)\n",
                nShown, clock.elapsed() / 1e3, nRss / 1024.0, heap.uordblks / 1048576.0,
                (heap.arena + heap.hblkhd) / 1048576.0);
            std::fflush(g_pOut);
        }
        // Restarts spread evenly: after 1/(n+1), 2/(n+1), ... of the frames.
        if (nRestartsDone < nRestarts
            && nShown >= nFrames * quint64(nRestartsDone + 1) / quint64(nRestarts + 1)) {
            ++nRestartsDone;
            core.kill();
            std::fprintf(g_pOut, "  %6llu frames  %6.1f s  core killed\n", nShown, clock.elapsed() / 1e3);
            spinEvents(1000);
            if (!core.start(simArgs, nPort)) {
                std::fprintf(stderr, "the core did not restart on port %d\n", nPort);
                bFailed = true;
                break;
            }
            QElapsedTimer resume;
            resume.start();
            const quint64 nBefore = probe.shown();
            bool bResumed = false;
            while (!bResumed && resume.elapsed() < 30000) {
                startShooting(session, nGap);
                bResumed = spinUntil([&] { return probe.shown() > nBefore; }, 1000);
            }
            if (!bResumed) {
                std::fprintf(stderr, "frames did not resume after restart %d\n", nRestartsDone);
                bFailed = true;
                break;
            }
            std::fprintf(g_pOut, "  %6llu frames  %6.1f s  core restarted, frames resumed %.1f s later\n",
                         probe.shown(), clock.elapsed() / 1e3, resume.elapsed() / 1e3);
            nLastProgressMs = clock.elapsed();
        }
    }
    session.send(MODULE_SERVICE, MSG_CONTINUOUS_STOP);
    const double dSeconds = clock.elapsed() / 1e3;
    spinEvents(300);
    const QObject* pService = session.servicePlugin();
    const bool bCounts = pService->property("receivedFrames").isValid();
    // The writer finishes what it holds: every received frame saved or counted as not saved.
    spinUntil(
        [&] {
            return !bCounts
                || pService->property("savedFrames").toULongLong()
                    + pService->property("unsavedFrames").toULongLong()
                >= pService->property("receivedFrames").toULongLong();
        },
        60000);
    spinEvents(1500); // the last records and the last once-a-second status
    checker.wait();
    const long nRssEnd = residentKiB();
    nRssMax = qMax(nRssMax, nRssEnd);
    const int nLeft = QDir(strFolder).entryList(QDir::Files).size();

    std::fprintf(
        g_pOut,
        "frames shown %llu in %.1f s (%.1f frames/s); dropped by the service %llu; core restarts %d\n",
        probe.shown(), dSeconds, probe.shown() / dSeconds, pService->property("droppedFrames").toULongLong(),
        nRestartsDone);
    std::fprintf(g_pOut, "saved files: %llu valid, %llu invalid, %llu missing; files left over %d\n",
                 checker.m_nValid.load(), checker.m_nInvalid.load(), checker.m_nMissing.load(), nLeft);
    std::fprintf(
        g_pOut,
        "resident: after 100 frames %.1f MiB, lowest after that %.1f MiB, highest %.1f MiB, end %.1f MiB; "
        "growth from frame 100 to the end %.1f MiB\n",
        nRssWarm / 1024.0, nRssMinAfterWarm / 1024.0, nRssMax / 1024.0, nRssEnd / 1024.0,
        (nRssEnd - nRssWarm) / 1024.0);
    bool bAccounted = true;
    if (bCounts) {
        const quint64 nReceived = pService->property("receivedFrames").toULongLong();
        const quint64 nSaved = pService->property("savedFrames").toULongLong();
        const quint64 nNotSaved = pService->property("unsavedFrames").toULongLong();
        std::fprintf(g_pOut,
                     "frames: received %llu, shown %llu, saved %llu, not saved %llu (write failures %llu); "
                     "files checked valid %llu; failing statuses in the page %llu, the last: %s\n",
                     nReceived, probe.shown(), nSaved, nNotSaved,
                     pService->property("failedSaves").toULongLong(), checker.m_nValid.load(),
                     nNotSavedStatuses, qPrintable(strLastNotSaved));
        // Every frame is a valid file or counted; what was not saved was reported with its count.
        bAccounted = nSaved + nNotSaved == nReceived && checker.m_nValid.load() == nSaved
            && nSavedRecords == nSaved && (nNotSaved == 0 || nNotSavedStatuses > 0);
        std::fprintf(g_pOut, "every frame received is a valid file or counted and reported: %s\n",
                     bAccounted ? "yes" : "NO");
    }
    const bool bOk = !bFailed && bAccounted && checker.m_nInvalid == 0 && checker.m_nMissing == 0
        && nRestartsDone == nRestarts;
    std::fprintf(g_pOut, "%s\n", bOk ? "soak passed" : "soak FAILED");
    return bOk ? 0 : 1;
}
