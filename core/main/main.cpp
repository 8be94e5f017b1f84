// The vision core: one camera (simulated, an image folder or a GenICam
// camera) served to the operator client. Built as vision-core and, for the
// runs and tests without hardware, as vision-core-sim.

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

    std::unique_ptr<CameraBackend> pCamera;
    if (options.strGenICam.isEmpty()) {
        pCamera = std::make_unique<SimCamera>(options);
    } else {
#ifdef KELVORA_WITH_GENICAM
        pCamera = std::make_unique<GenICamCamera>(options);
#else
        std::fprintf(stderr, "%s: built without Aravis, so no GenICam camera can be driven\n", pName);
        return 2;
#endif
    }
    CoreServer server(options, std::move(pCamera));
    if (!server.start(&strError)) {
        std::fprintf(stderr, "%s: %s\n", pName, qPrintable(strError));
        return 1;
    }
    const QString strHost = options.strListen.left(options.strListen.lastIndexOf(QLatin1Char(':')));
    std::printf("%s listening on %s:%d (%s)\n", pName, qPrintable(strHost), server.port(),
                server.describe().c_str());
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
