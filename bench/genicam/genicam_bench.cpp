// The vision core on Aravis's fake GigE Vision camera, with the whole client:
// the real MainWindow and plugins show the camera's video on the camera page.
// Per case (size and frame rate, Mono8): frames the camera sent (whole or
// incomplete), frames the core lost for want of buffers, frames the core
// delivered, frames the client received and frames the page showed, and the
// CPU per frame of the camera, the core and the client. The baseline is the
// camera's own count in the same run: the page should show at least 0.95 of
// the frames the camera completed.
//
// Runs itself in a network namespace of its own (needs root), so the fake's
// packets stay on that namespace's loopback.
//
//   genicam_bench [--seconds 6] [--cases 1920x1080@30,1920x1080@75,2048x2048@30,2048x2048@45]
#include "CoreFrameCounts.h"
#include "FakeGigECamera.h"
#include "HostSession.h"
#include "MainWindow.h"
#include "NetNamespace.h"
#include "PageProbe.h"
#include "SimCore.h"
#include "ThreadCpu.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QJsonObject>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

FILE* g_pOut = stdout;

double cpuOf(const QMap<QString, double>& spent, const QString& strPrefix)
{
    double dSeconds = 0;
    for (auto it = spent.cbegin(); it != spent.cend(); ++it)
        if (it.key().startsWith(strPrefix))
            dSeconds += it.value();
    return dSeconds;
}

bool runCase(int nWidth, int nHeight, double dFps, double dSeconds)
{
    FakeGigECamera fake;
    if (!fake.start()) {
        std::fprintf(stderr, "arv-fake-gv-camera-0.8 did not start\n");
        return false;
    }
    SimCore core;
    if (!core.start({"--genicam", "127.0.0.1", "--width", QString::number(nWidth), "--height",
                     QString::number(nHeight), "--video-fps", QString::number(dFps), "--pixel-format",
                     "Mono8", "--packet-size", "8192"})) {
        std::fprintf(stderr, "vision-core did not start on the fake camera\n");
        return false;
    }
    HostSession session;
    if (!session.open(core.endpoint()))
        return false;
    PageProbe probe(session.imageView());
    QObject::connect(session.window(), &MainWindow::sendSignalToPlugins, &probe,
                     &PageProbe::slotEventFromPlugins);
    QObject* pService = session.servicePlugin();
    CoreFrameCounts watcher(core.endpoint());
    spinEvents(500);

    const QJsonObject before = watcher.counts();
    probe.reset();
    const quint64 nDropped0 = pService->property("droppedFrames").toULongLong();
    auto snapshot = [&] {
        ThreadCpu cpu;
        cpu.addProcess(0, "client");
        cpu.addProcess(core.pid(), "core");
        cpu.addProcess(fake.pid(), "camera");
        return cpu;
    };
    const ThreadCpu cpuStart = snapshot();
    QElapsedTimer timer;
    timer.start();
    session.videoBox()->setChecked(true);
    spinEvents(int(dSeconds * 1000));
    session.videoBox()->setChecked(false);
    const double dElapsed = timer.nsecsElapsed() / 1e9;
    const QMap<QString, double> spent = snapshot().since(cpuStart);
    // Frames in flight land, and the core's next report (every 2 s) comes.
    spinEvents(2600);
    const QJsonObject after = watcher.counts();
    auto delta = [&](const char* pKey) { return after[pKey].toDouble() - before[pKey].toDouble(); };
    const double dCompleted = delta("completed");
    const double dIncomplete = delta("incomplete");
    const double dUnderruns = delta("underruns");
    const double dDelivered = delta("delivered");
    const double dReceived = double(probe.records() + pService->property("droppedFrames").toULongLong()
                                    - nDropped0);
    const double dShown = double(probe.shown());
    const double dPerFrame = dCompleted > 0 ? 1e3 / dCompleted : 0.0;

    std::fprintf(
        g_pOut,
        "%4dx%-4d Mono8 at %5.1f fps, %.1f s: camera sent %.0f (whole %.0f, incomplete %.0f) | "
        "lost for want of buffers %.0f | core delivered %.0f | client received %.0f | page shown %.0f | "
        "shown/whole %.3f (%.1f frames/s)\n",
        nWidth, nHeight, dFps, dElapsed, dCompleted + dIncomplete, dCompleted, dIncomplete, dUnderruns,
        dDelivered, dReceived, dShown, dCompleted > 0 ? dShown / dCompleted : 0.0, dShown / dElapsed);
    std::fprintf(g_pOut, "    CPU per whole frame: camera %.2f ms, core %.2f ms, client %.2f ms\n",
                 cpuOf(spent, "camera") * dPerFrame, cpuOf(spent, "core") * dPerFrame,
                 cpuOf(spent, "client") * dPerFrame);
    std::fflush(g_pOut);
    core.stop();
    fake.kill();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    NetNamespace::enter(argc, argv);
    QApplication app(argc, argv);
    g_pOut = takeResultOutput();
    Q_INIT_RESOURCE(kelvora_host_icons);
    QCommandLineParser parser;
    parser.addOptions({{"seconds", "Video time per case.", "s", "6"},
                       {"cases", "WxH@fps, comma separated.", "list",
                        "1920x1080@30,1920x1080@75,2048x2048@30,2048x2048@45"}});
    parser.addHelpOption();
    parser.process(app);
    const double dSeconds = parser.value("seconds").toDouble();
    if (parser.value("cases").contains(','))
        std::fprintf(g_pOut,
                     "genicam: the fake GigE camera, vision-core and the whole client (platform %s)\n",
                     qPrintable(QGuiApplication::platformName()));
    const QStringList cases = parser.value("cases").split(',', Qt::SkipEmptyParts);
    // The client links to one core per process: each case runs in a process of its own.
    if (cases.size() > 1) {
        for (const QString& strCase : cases) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QCoreApplication::applicationFilePath(),
                        {"--seconds", parser.value("seconds"), "--cases", strCase});
            child.waitForFinished(-1);
            std::fputs(child.readAllStandardOutput().constData(), g_pOut);
            std::fflush(g_pOut);
            if (child.exitCode() != 0)
                return child.exitCode();
        }
        return 0;
    }
    for (const QString& strCase : cases) {
        const QStringList sizeAndRate = strCase.split('@');
        const QStringList size = sizeAndRate.value(0).split('x');
        if (sizeAndRate.size() != 2 || size.size() != 2) {
            std::fprintf(stderr, "bad case %s (want WxH@fps)\n", qPrintable(strCase));
            return 2;
        }
        if (!runCase(size[0].toInt(), size[1].toInt(), sizeAndRate[1].toDouble(), dSeconds))
            return 1;
    }
    return 0;
}
