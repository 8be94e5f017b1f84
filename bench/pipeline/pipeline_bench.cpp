// Frames through the whole client: vision-core-sim streams frames as fast as the
// client reads them (video mode, --video-fps 0); the real MainWindow with every
// plugin shows them on the camera page. Measures frames shown per second and the
// latency from the core's send to the scene holding the frame, against a bare
// gRPC reader of a second, identical core in the same run (the transport ceiling).
//
// With --save bmp|jpg the page shoots continuously at the shortest trigger
// interval (1 ms) with saving on instead of video mode (which never saves),
// and each round also gives the frames saved and not saved per second (files
// in the save folder, for plugins that do not count them).
//
//   pipeline_bench [--seconds 4] [--rounds 5] [--width 1920] [--height 1080] [--plugins DIR]
//                  [--save bmp|jpg] [--histogram] [--figures]
#include "BareStream.h"
#include "HostSession.h"
#include "MainWindow.h"
#include "PageProbe.h"
#include "SimCore.h"
#include "ThreadCpu.h"

#include "framework/PluginMessages.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

namespace {

FILE* g_pOut = stdout;

// The threads of the client (this process) and of the core it reads from.
ThreadCpu cpuNow(const SimCore& core)
{
    ThreadCpu cpu;
    cpu.addProcess(0, "client");
    cpu.addProcess(core.pid(), "core");
    return cpu;
}

struct PageRate
{
    double dSavedFps = 0;
    double dNotSavedFps = 0;
    double dFps = 0;
    double dPaintFps = 0;
    quint64 nShown = 0;
    quint64 nReceived = 0;
    QVector<double> latenciesMs;
    QMap<QString, double> cpuSeconds;
};

int filesIn(const QString& strFolder)
{
    return QDir(strFolder).entryList(QDir::Files).size();
}

PageRate measurePage(HostSession& session, PageProbe& probe, const SimCore& core, double dSeconds, bool bSave)
{
    QObject* pService = session.servicePlugin();
    if (bSave) {
        session.send(MODULE_SERVICE, MSG_SET_TRIGGER_GAP, 1.0);
        session.clickContinuous();
    } else {
        session.videoBox()->setChecked(true);
    }
    spinEvents(1000);
    probe.reset();
    const bool bCounts = pService->property("savedFrames").isValid();
    const quint64 nSaved0 = bCounts ? pService->property("savedFrames").toULongLong()
                                    : filesIn(session.saveFolder());
    const quint64 nNotSaved0 = pService->property("unsavedFrames").toULongLong();
    const quint64 nDropped0 = pService->property("droppedFrames").toULongLong();
    const ThreadCpu cpuStart = cpuNow(core);
    QElapsedTimer timer;
    timer.start();
    spinEvents(int(dSeconds * 1000));
    const double dElapsed = timer.nsecsElapsed() / 1e9;
    PageRate rate;
    rate.cpuSeconds = cpuNow(core).since(cpuStart);
    rate.nShown = probe.shown();
    rate.nReceived = probe.records() + pService->property("droppedFrames").toULongLong() - nDropped0;
    rate.dFps = probe.shown() / dElapsed;
    rate.dPaintFps = probe.paints() / dElapsed;
    rate.latenciesMs = probe.latenciesMs();
    if (bSave) {
        const quint64 nSaved = bCounts ? pService->property("savedFrames").toULongLong()
                                       : filesIn(session.saveFolder());
        rate.dSavedFps = (nSaved - nSaved0) / dElapsed;
        rate.dNotSavedFps = (pService->property("unsavedFrames").toULongLong() - nNotSaved0) / dElapsed;
        session.clickContinuous();
        session.send(MODULE_SERVICE, MSG_CONTINUOUS_STOP);
    } else {
        session.videoBox()->setChecked(false);
    }
    // Frames still in flight land before the next round.
    spinEvents(500);
    if (bSave) {
        // Spares the disk; the writer may still finish a file or two meanwhile.
        QDir folder(session.saveFolder());
        for (const QString& strFile : folder.entryList(QDir::Files))
            folder.remove(strFile);
    }
    return rate;
}

// CPU per frame by thread, summed over rounds.
struct CpuShare
{
    QMap<QString, double> seconds;
    quint64 nFrames = 0;

    void add(const QMap<QString, double>& spent, quint64 nRoundFrames)
    {
        for (auto it = spent.cbegin(); it != spent.cend(); ++it)
            seconds[it.key()] += it.value();
        nFrames += nRoundFrames;
    }
};

void printCpu(const char* pName, const CpuShare& share)
{
    if (share.nFrames == 0)
        return;
    double dTotal = 0;
    for (double dSeconds : share.seconds)
        dTotal += dSeconds;
    std::fprintf(g_pOut, "  %s: %.2f ms of CPU per frame\n", pName, dTotal * 1e3 / share.nFrames);
    for (auto it = share.seconds.cbegin(); it != share.seconds.cend(); ++it)
        if (it.value() * 1e3 / share.nFrames >= 0.05)
            std::fprintf(g_pOut, "    %-32s %6.2f ms\n", qPrintable(it.key()),
                         it.value() * 1e3 / share.nFrames);
}

void printLatency(const char* pName, const QVector<double>& values)
{
    std::fprintf(g_pOut, "  %-24s median %7.1f ms   p99 %7.1f ms   (%d frames)\n", pName,
                 quantile(values, 0.5), quantile(values, 0.99), values.size());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    g_pOut = takeResultOutput();
    Q_INIT_RESOURCE(kelvora_host_icons);
    QCommandLineParser parser;
    parser.addOptions({{"seconds", "Measuring time per round.", "s", "4"},
                       {"rounds", "Rounds of page and bare reader, alternating.", "n", "5"},
                       {"width", "Frame width.", "px", "1920"},
                       {"height", "Frame height.", "px", "1080"},
                       {"save", "Continuous shooting with saving on, as bmp or jpg.", "ext"},
                       {"histogram", "With the histogram over the image view switched on."},
                       {"figures", "With the acquisition figures in the status bar switched on."}});
    parser.addOption({"plugins", "Folder of the plugin files to load (default: the built ones).", "dir"});
    parser.addHelpOption();
    parser.process(app);
    const double dSeconds = parser.value("seconds").toDouble();
    const int nRounds = parser.value("rounds").toInt();
    const QStringList simArgs{"--video-fps",         "0",        "--stamp-time",        "--width",
                              parser.value("width"), "--height", parser.value("height")};

    // One core for the page, one for the bare reader: with --video-fps 0 a core
    // sends as fast as its slowest subscriber reads, and the client stays subscribed.
    SimCore pageCore;
    SimCore bareCore;
    if (!pageCore.start(simArgs) || !bareCore.start(simArgs)) {
        std::fprintf(stderr, "vision-core-sim did not start\n");
        return 1;
    }
    HostSession session;
    if (!session.open(pageCore.endpoint(), parser.value("plugins")))
        return 1;
    const QString strSave = parser.value("save");
    const bool bSave = !strSave.isEmpty();
    if (bSave && !session.enableSaving(strSave)) {
        std::fprintf(stderr, "saving could not be switched on\n");
        return 1;
    }
    // The image view's menu switches: the benchmark then measures what they cost.
    for (const char* pOption : {"histogram", "figures"}) {
        if (!parser.isSet(pOption))
            continue;
        const QString qsName = QString("action_") + QChar(pOption[0]).toUpper() + QString(pOption + 1);
        auto* pAction = session.window()->findChild<QAction*>(qsName);
        if (!pAction) {
            std::fprintf(stderr, "no %s switch on the page\n", pOption);
            return 1;
        }
        pAction->setChecked(true);
    }
    PageProbe probe(session.imageView());
    QObject::connect(session.window(), &MainWindow::sendSignalToPlugins, &probe,
                     &PageProbe::slotEventFromPlugins);

    std::fprintf(g_pOut, "pipeline: %sx%s BGR frames, %d rounds of %.1f s, platform %s\n",
                 qPrintable(parser.value("width")), qPrintable(parser.value("height")), nRounds, dSeconds,
                 qPrintable(QGuiApplication::platformName()));
    QVector<double> pageLatencies;
    QVector<double> bareLatencies;
    QVector<double> pageRates;
    QVector<double> savedRates;
    QVector<double> bareRates;
    QVector<double> ratios;
    CpuShare bareShare;
    CpuShare pageShare;
    for (int nRound = 1; nRound <= nRounds; ++nRound) {
        ThreadCpu bareStart;
        QMap<QString, double> bareCpu;
        bool bStarted = false;
        const BareRate bare = readBareStream(bareCore.endpoint().toStdString(), 1.0, dSeconds, [&] {
            if (!bStarted)
                bareStart = cpuNow(bareCore);
            else
                bareCpu = cpuNow(bareCore).since(bareStart);
            bStarted = true;
        });
        const PageRate page = measurePage(session, probe, pageCore, dSeconds, bSave);
        bareShare.add(bareCpu, bare.nFrames);
        pageShare.add(page.cpuSeconds, page.nShown);
        const double dRatio = bare.dFps > 0 ? page.dFps / bare.dFps : 0.0;
        std::fprintf(
            g_pOut,
            "round %d: bare gRPC %6.1f frames/s | page shown %6.1f frames/s (received %llu, shown %llu, "
            "repaints %.1f/s) | ratio %.2f | latency median %.1f ms p99 %.1f ms\n",
            nRound, bare.dFps, page.dFps, page.nReceived, page.nShown, page.dPaintFps, dRatio,
            quantile(page.latenciesMs, 0.5), quantile(page.latenciesMs, 0.99));
        if (bSave)
            std::fprintf(g_pOut, "         saving: %.1f files/s written, %.1f frames/s not saved\n",
                         page.dSavedFps, page.dNotSavedFps);
        std::fflush(g_pOut);
        savedRates << page.dSavedFps;
        pageRates << page.dFps;
        bareRates << bare.dFps;
        ratios << dRatio;
        pageLatencies += page.latenciesMs;
        bareLatencies += bare.latenciesMs;
    }
    // Medians: the shared machine makes single rounds swing.
    std::fprintf(g_pOut,
                 "median of rounds: bare gRPC %.1f frames/s | page shown %.1f frames/s | ratio %.2f "
                 "(goal: >= 30 frames/s, >= 0.80)\n",
                 quantile(bareRates, 0.5), quantile(pageRates, 0.5), quantile(ratios, 0.5));
    if (bSave)
        std::fprintf(g_pOut, "median of rounds: saved %.1f files/s\n", quantile(savedRates, 0.5));
    std::fprintf(g_pOut, "latency from the core's send:\n");
    printLatency("to the page's scene", pageLatencies);
    printLatency("to the bare reader", bareLatencies);
    std::fprintf(g_pOut, "where the time goes (threads that ended meanwhile are not counted):\n");
    printCpu("bare reader, per frame read", bareShare);
    printCpu("camera page, per frame shown", pageShare);
    return 0;
}
