// The vision core: its cameras (GenICam cameras it discovers or is given,
// and simulated ones: the synthetic scene or an image folder) served to the
// operator's clients. Built as vision-core and, for the runs and tests
// without hardware, as vision-core-sim.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <thread>

#include <QCoreApplication>

#include "sim/SimCamera.h"
#include "server/CoreServer.h"
#include "server/PeriodicNotice.h"
#ifdef KELVORA_WITH_GENICAM
#include "genicam/GenICamCamera.h"
#include "genicam/GenICamDiscovery.h"
#endif

int main(int argc, char* argv[])
{
    // Block the stop stopSignals before any thread exists, so that all threads
    // inherit the mask and only the waiter below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // Every frame is a fresh buffer of megabytes. With glibc's defaults each
    // one is mapped and faulted in page by page and returned to the system
    // on free, which costs more than drawing and sending it.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);

    QCoreApplication app(argc, argv);
    const QByteArray name = QCoreApplication::applicationName().toLocal8Bit();
    const char* const pName = name.constData();
    CoreOptions options;
    QString strError;
    if (!CoreOptions::parse(app.arguments(), &options, &strError)) {
        std::fprintf(stderr, "%s\n", qPrintable(strError));
#ifndef KELVORA_WITH_GENICAM
        if (strError.startsWith(QLatin1String("Usage")))
            std::fprintf(stderr, "(built without Aravis: --genicam is not available)\n");
#endif
        return strError.startsWith(QLatin1String("Usage")) ? 0 : 2;
    }

    const bool bSimProgram = QCoreApplication::applicationName().endsWith(QLatin1String("-sim"));
    const int nSimulated = options.nSimulated >= 0 ? options.nSimulated : (bSimProgram ? 1 : 0);
    const bool bDiscover = options.strGenICam.isEmpty()
        && (options.nDiscovery >= 0 ? options.nDiscovery == 1 : !bSimProgram);

    CoreServer server(options);
    CameraRegistry& cameras = server.cameras();
    // GenICam cameras first: a client naming no camera gets the first one.
    if (!options.strGenICam.isEmpty()) {
#ifdef KELVORA_WITH_GENICAM
        CameraDescriptor descriptor;
        descriptor.strId = options.strGenICam.toStdString();
        descriptor.strAddress = descriptor.strId;
        descriptor.strInterface = "GigE";
        cameras.add(descriptor, std::make_unique<GenICamCamera>(options), true, &strError);
#else
        std::fprintf(stderr, "%s: built without Aravis, so no GenICam camera can be driven\n", pName);
        return 2;
#endif
    } else if (bDiscover) {
#ifdef KELVORA_WITH_GENICAM
        cameras.setDiscoverer([options] { return discoverGenICamCameras(options); });
#else
        std::fprintf(stderr, "%s: built without Aravis: no GenICam camera is looked for\n", pName);
#endif
    }
    for (int i = 1; i <= nSimulated; ++i) {
        CameraDescriptor descriptor;
        descriptor.strId = "sim-" + std::to_string(i);
        descriptor.strVendor = "Kelvora";
        descriptor.strModel = options.strFolder.isEmpty() ? "Simulated camera" : "Image folder";
        descriptor.strSerial = "SIM" + std::to_string(i);
        descriptor.strInterface = "simulated";
        descriptor.strAddress = options.strFolder.isEmpty() ? "scene" : options.strFolder.toStdString();
        if (!cameras.add(descriptor, std::make_unique<SimCamera>(options), true, &strError)) {
            std::fprintf(stderr, "%s: %s\n", pName, qPrintable(strError));
            return 1;
        }
    }
    if (!server.start(&strError)) {
        std::fprintf(stderr, "%s: %s\n", pName, qPrintable(strError));
        return 1;
    }
    const QString strHost = options.strListen.left(options.strListen.lastIndexOf(QLatin1Char(':')));
    std::printf("%s listening on %s:%d (%s)\n", pName, qPrintable(strHost), server.port(),
                server.describe().c_str());
    std::printf("%s: %zu camera%s%s, %d simulated%s\n", pName, cameras.size(), cameras.size() == 1 ? "" : "s",
                bDiscover ? " found" : "", nSimulated,
                nSimulated > 0 ? " (frames of a simulated camera are not real)" : "");
    std::fflush(stdout);

    // Standard error goes to the journal: the warning stays in sight there.
    PeriodicNotice insecureNotice;
    if (options.bInsecureListen && !options.useTls() && !CoreOptions::isLoopback(options.strListen)) {
        const std::string strListen = options.strListen.toStdString();
        insecureNotice.start(std::chrono::hours(1), [pName, strListen] {
            std::fprintf(stderr,
                         "%s: WARNING: serving %s without TLS (--insecure-listen): anyone on this network "
                         "can set the camera and take its frames\n",
                         pName, strListen.c_str());
            std::fflush(stderr);
        });
    }

    std::thread waiter([&server, &stopSignals, pName] {
        int nSignal = 0;
        sigwait(&stopSignals, &nSignal);
        std::printf("%s: signal %d, shutting down\n", pName, nSignal);
        std::fflush(stdout);
        // A camera that has just gone away holds its library calls for
        // seconds; the core ends in time whatever the camera does.
        std::thread([pName] {
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            std::printf("%s: the camera did not let go in time; ending now\n", pName);
            std::fflush(stdout);
            std::_Exit(0);
        }).detach();
        server.stop();
    });
    server.wait();
    waiter.join();
    insecureNotice.stop();
    return 0;
}
