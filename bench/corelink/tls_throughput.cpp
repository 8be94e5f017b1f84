// Frame rate through corelink_client over TLS with client certificates against
// plaintext, in the same run: two in-process cores with the simulated camera
// in video mode at full rate (1920x1080 BGR) on loopback ports, one plaintext,
// one requiring TLS, read alternately by the same client code. The
// certificates are made at start by the project's certificate script.
//
// Usage: corelink_tls_bench [seconds per run, default 2] [rounds, default 3]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "LinkRate.h"
#include "TestCerts.h"
#include "server/CoreServer.h"
#include "sim/SimCamera.h"

namespace {

std::unique_ptr<CoreServer> startCore(CoreOptions options)
{
    options.strListen = QStringLiteral("127.0.0.1:0");
    options.nWidth = 1920;
    options.nHeight = 1080;
    options.bGrey = false;
    options.dVideoFps = 0;
    options.nResultEvery = 0;
    auto pServer = std::make_unique<CoreServer>(options, std::make_unique<SimCamera>(options));
    QString strError;
    if (!pServer->start(&strError)) {
        std::fprintf(stderr, "core: %s\n", qPrintable(strError));
        std::exit(1);
    }
    return pServer;
}

void print(const char* pName, int nRound, const Rate& rate)
{
    std::printf("  round %d %-9s %6.1f frames/s %7.1f MB/s %5.2f cpu-ms/frame\n", nRound, pName, rate.dFps,
                rate.dMBps, rate.dCpuMsPerFrame);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const double dSeconds = argc > 1 && std::atof(argv[1]) > 0 ? std::atof(argv[1]) : 2.0;
    const int nRounds = argc > 2 && std::atoi(argv[2]) > 0 ? std::atoi(argv[2]) : 3;

    QTemporaryDir dir;
    const QString pki = dir.filePath(QStringLiteral("pki"));
    if (!dir.isValid() || !makeTestCerts({"ca", pki}) || !makeTestCerts({"core", pki, "127.0.0.1"})
        || !makeTestCerts({"client", pki, "bench"})) {
        std::fprintf(stderr, "the certificates could not be made\n");
        return 1;
    }

    CoreOptions tlsOptions;
    tlsOptions.strTlsCert = pki + QStringLiteral("/core.pem");
    tlsOptions.strTlsKey = pki + QStringLiteral("/core.key");
    tlsOptions.strTlsCa = pki + QStringLiteral("/ca.pem");
    const auto pPlain = startCore(CoreOptions());
    const auto pTls = startCore(tlsOptions);

    Json::Value plain;
    plain["rpc"]["ip"] = "127.0.0.1:" + std::to_string(pPlain->port());
    Json::Value tls;
    tls["rpc"]["ip"] = "127.0.0.1:" + std::to_string(pTls->port());
    tls["rpc"]["ca"] = tlsOptions.strTlsCa.toStdString();
    tls["rpc"]["cert"] = (pki + QStringLiteral("/bench.pem")).toStdString();
    tls["rpc"]["key"] = (pki + QStringLiteral("/bench.key")).toStdString();

    // Alternate the two links so drift of the shared machine hits both; each
    // round's pair gives one ratio, and the median of those is reported.
    std::printf("1920x1080 BGR, video at full rate, %.1f s per run\n", dSeconds);
    std::vector<double> ratios;
    Rate bestPlain;
    Rate bestTls;
    for (int nRound = 1; nRound <= nRounds; ++nRound) {
        const Rate plainRate = measureCorelink(plain, dSeconds, true);
        print("plaintext", nRound, plainRate);
        const Rate tlsRate = measureCorelink(tls, dSeconds, true);
        print("TLS", nRound, tlsRate);
        if (plainRate.dFps > 0)
            ratios.push_back(tlsRate.dFps / plainRate.dFps);
        bestPlain = plainRate.dFps > bestPlain.dFps ? plainRate : bestPlain;
        bestTls = tlsRate.dFps > bestTls.dFps ? tlsRate : bestTls;
    }
    if (ratios.empty()) {
        std::fprintf(stderr, "no frame over plaintext\n");
        return 1;
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("best: plaintext %.1f frames/s %.1f MB/s %.2f cpu-ms/frame | TLS %.1f frames/s %.1f MB/s "
                "%.2f cpu-ms/frame | TLS/plaintext: ratio of bests %.2f, median round ratio %.2f\n",
                bestPlain.dFps, bestPlain.dMBps, bestPlain.dCpuMsPerFrame, bestTls.dFps, bestTls.dMBps,
                bestTls.dCpuMsPerFrame, bestTls.dFps / bestPlain.dFps, ratios[ratios.size() / 2]);
    pPlain->stop();
    pTls->stop();
    pPlain->wait();
    pTls->wait();
    return 0;
}
