// vision-core-sim: a vision core with one simulated camera, for running,
// testing and measuring the client without camera hardware.

#include <csignal>
#include <malloc.h>
#include <cstdio>
#include <thread>

#include <QCoreApplication>

#include "SimServer.h"

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
    SimOptions options;
    QString strError;
    if (!SimOptions::parse(app.arguments(), &options, &strError)) {
        std::fprintf(stderr, "%s\n", qPrintable(strError));
        return strError.startsWith(QLatin1String("Usage")) ? 0 : 2;
    }

    SimServer server(options);
    if (!server.start(&strError)) {
        std::fprintf(stderr, "vision-core-sim: %s\n", qPrintable(strError));
        return 1;
    }
    const QString strHost = options.strListen.left(options.strListen.lastIndexOf(QLatin1Char(':')));
    std::printf("vision-core-sim listening on %s:%d (%dx%d %s%s)\n", qPrintable(strHost), server.port(),
                options.nWidth, options.nHeight, options.bGrey ? "grey" : "bgr",
                options.strFolder.isEmpty() ? "" : qPrintable(QStringLiteral(", images of ") + options.strFolder));
    std::fflush(stdout);

    std::thread waiter([&server, &stopSignals] {
        int nSignal = 0;
        sigwait(&stopSignals, &nSignal);
        std::printf("vision-core-sim: signal %d, shutting down\n", nSignal);
        std::fflush(stdout);
        server.stop();
    });
    server.wait();
    waiter.join();
    return 0;
}
