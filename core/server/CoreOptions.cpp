#include "CoreOptions.h"

#include <QCommandLineParser>

#include "corelink/Loopback.h"

bool CoreOptions::isLoopback(const QString& strListen)
{
    return isLoopbackEndpoint(strListen.toStdString());
}

bool CoreOptions::parse(const QStringList& arguments, CoreOptions* pOptions, QString* pError)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Vision core with one camera: the synthetic scene (default), the images of a folder, "
                       "or a GenICam camera (GigE Vision or USB3 Vision)."));
    parser.addHelpOption();
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Address to serve on (default 127.0.0.1:20020; port 0 picks a free one)."),
        QStringLiteral("host:port"), pOptions->strListen);
    const QCommandLineOption width(QStringLiteral("width"), QStringLiteral("Frame width."),
                                   QStringLiteral("pixels"), QString::number(pOptions->nWidth));
    const QCommandLineOption height(QStringLiteral("height"), QStringLiteral("Frame height."),
                                    QStringLiteral("pixels"), QString::number(pOptions->nHeight));
    const QCommandLineOption pixel(QStringLiteral("pixel"), QStringLiteral("Pixel type: grey or bgr."),
                                   QStringLiteral("type"),
                                   pOptions->bGrey ? QStringLiteral("grey") : QStringLiteral("bgr"));
    const QCommandLineOption folder(
        QStringLiteral("folder"),
        QStringLiteral("Play the BMP/JPG images of this folder instead of the synthetic scene."),
        QStringLiteral("dir"));
    const QCommandLineOption fps(
        QStringLiteral("video-fps"),
        QStringLiteral("Video mode frame rate; 0 = as fast as the client reads (default 25)."),
        QStringLiteral("fps"), QString::number(pOptions->dVideoFps));
    const QCommandLineOption results(
        QStringLiteral("result-every"),
        QStringLiteral("Send a measurement result after every n-th frame; 0 = never (default 10)."),
        QStringLiteral("n"), QString::number(pOptions->nResultEvery));
    const QCommandLineOption stamp(
        QStringLiteral("stamp-time"),
        QStringLiteral("Write the send time (CLOCK_MONOTONIC) into the first 12 pixels of each frame."));
    const QCommandLineOption genicam(
        QStringLiteral("genicam"),
        QStringLiteral("Drive a GenICam camera: its device id, serial number or IP address, or 'first'."),
        QStringLiteral("device"));
    const QCommandLineOption pixelFormat(
        QStringLiteral("pixel-format"),
        QStringLiteral(
            "GenICam pixel format to select (Mono8, Mono10/12/16, Mono10p, Mono12p, Mono10Packed, "
            "Mono12Packed, RGB8, BGR8, Bayer 8/10/12/16 bits, packed or not); default: the camera's."),
        QStringLiteral("name"));
    const QCommandLineOption packetSize(
        QStringLiteral("packet-size"),
        QStringLiteral(
            "GigE Vision packet size in bytes; 0 negotiates the largest the link carries (default 0)."),
        QStringLiteral("bytes"), QString::number(pOptions->nPacketSize));
    const QCommandLineOption socketBuffer(
        QStringLiteral("socket-buffer"),
        QStringLiteral("GigE Vision receive socket buffer in bytes (default 4194304)."),
        QStringLiteral("bytes"), QString::number(pOptions->nSocketBuffer));
    const QCommandLineOption reopen(
        QStringLiteral("reopen-every"),
        QStringLiteral("Seconds between attempts to reopen a lost camera (default 3)."), QStringLiteral("s"),
        QString::number(pOptions->dReopenSeconds));
    const QCommandLineOption tlsCert(
        QStringLiteral("tls-cert"),
        QStringLiteral("The core's TLS certificate (PEM); required to listen beyond loopback."),
        QStringLiteral("file"));
    const QCommandLineOption tlsKey(QStringLiteral("tls-key"),
                                    QStringLiteral("The private key of --tls-cert (PEM)."),
                                    QStringLiteral("file"));
    const QCommandLineOption tlsCa(
        QStringLiteral("tls-ca"),
        QStringLiteral("CA certificate(s) (PEM) that every client's certificate must chain to."),
        QStringLiteral("file"));
    const QCommandLineOption insecure(
        QStringLiteral("insecure-listen"),
        QStringLiteral("Listen beyond loopback without TLS: anyone on the network can command the "
                       "camera. For a closed test network only; warns at start and every hour."));

    const QCommandLineOption simulated(
        QStringLiteral("simulated"),
        QStringLiteral(
            "Simulated cameras beside the GenICam ones (default 1 for vision-core-sim, 0 for vision-core)."),
        QStringLiteral("n"));
    const QCommandLineOption discovery(
        QStringLiteral("discovery"),
        QStringLiteral(
            "Look for GenICam cameras (GigE Vision, USB3 Vision) unless --genicam names one: on or off "
            "(default on for vision-core, off for vision-core-sim)."),
        QStringLiteral("on|off"));
    parser.addOptions({listen, width, height, pixel, folder, fps, results, stamp, genicam, pixelFormat,
                       packetSize, socketBuffer, reopen, tlsCert, tlsKey, tlsCa, insecure, simulated,
                       discovery});

    if (!parser.parse(arguments)) {
        *pError = parser.errorText();
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        *pError = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *pError = QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first());
        return false;
    }

    CoreOptions options;
    options.strListen = parser.value(listen);
    bool bOk1 = false;
    bool bOk2 = false;
    bool bOk3 = false;
    bool bOk4 = false;
    options.nWidth = parser.value(width).toInt(&bOk1);
    options.nHeight = parser.value(height).toInt(&bOk2);
    options.dVideoFps = parser.value(fps).toDouble(&bOk3);
    options.nResultEvery = parser.value(results).toInt(&bOk4);
    if (!bOk1 || !bOk2 || options.nWidth < 1 || options.nHeight < 1 || options.nWidth > 16384
        || options.nHeight > 16384) {
        *pError = QStringLiteral("width and height must be 1 to 16384");
        return false;
    }
    if (!bOk3 || options.dVideoFps < 0 || options.dVideoFps > 1000) {
        *pError = QStringLiteral("video-fps must be 0 to 1000");
        return false;
    }
    if (!bOk4 || options.nResultEvery < 0) {
        *pError = QStringLiteral("result-every must be 0 or more");
        return false;
    }
    const QString strPixel = parser.value(pixel).toLower();
    if (strPixel == QLatin1String("grey") || strPixel == QLatin1String("gray")) {
        options.bGrey = true;
    } else if (strPixel == QLatin1String("bgr")) {
        options.bGrey = false;
    } else {
        *pError = QStringLiteral("pixel must be grey or bgr");
        return false;
    }
    // A frame must fit into one message of the link. A GenICam camera's
    // frame depends on its pixel format: checked when it is opened.
    if (parser.value(genicam).isEmpty()
        && qint64(options.nWidth) * options.nHeight * (options.bGrey ? 1 : 3) > kMaxFrameBytes) {
        *pError = QStringLiteral("a frame may hold at most %1 bytes").arg(kMaxFrameBytes);
        return false;
    }
    options.strFolder = parser.value(folder);
    options.bStampTime = parser.isSet(stamp);
    options.strGenICam = parser.value(genicam);
    if (parser.isSet(genicam) && options.strGenICam.isEmpty()) {
        *pError = QStringLiteral("genicam needs a device id, serial number, address or 'first'");
        return false;
    }
    if (!options.strGenICam.isEmpty() && !options.strFolder.isEmpty()) {
        *pError = QStringLiteral("genicam and folder exclude each other");
        return false;
    }
    options.bSizeGiven = parser.isSet(width) || parser.isSet(height);
    options.bVideoFpsGiven = parser.isSet(fps);
    options.strPixelFormat = parser.value(pixelFormat);
    bool bOk5 = false;
    bool bOk6 = false;
    bool bOk7 = false;
    options.nPacketSize = parser.value(packetSize).toInt(&bOk5);
    options.nSocketBuffer = parser.value(socketBuffer).toInt(&bOk6);
    options.dReopenSeconds = parser.value(reopen).toDouble(&bOk7);
    if (!bOk5 || options.nPacketSize < 0 || options.nPacketSize > 65535) {
        *pError = QStringLiteral("packet-size must be 0 to 65535");
        return false;
    }
    if (!bOk6 || options.nSocketBuffer < 0) {
        *pError = QStringLiteral("socket-buffer must be 0 or more");
        return false;
    }
    if (!bOk7 || options.dReopenSeconds < 0.1 || options.dReopenSeconds > 3600) {
        *pError = QStringLiteral("reopen-every must be 0.1 to 3600 seconds");
        return false;
    }
    options.strTlsCert = parser.value(tlsCert);
    options.strTlsKey = parser.value(tlsKey);
    options.strTlsCa = parser.value(tlsCa);
    options.bInsecureListen = parser.isSet(insecure);
    const int nTlsGiven = int(!options.strTlsCert.isEmpty()) + int(!options.strTlsKey.isEmpty())
        + int(!options.strTlsCa.isEmpty());
    if (nTlsGiven != 0 && nTlsGiven != 3) {
        *pError = QStringLiteral("TLS needs all of --tls-cert, --tls-key and --tls-ca");
        return false;
    }
    if (nTlsGiven == 3 && options.bInsecureListen) {
        *pError = QStringLiteral("--insecure-listen and the TLS options exclude each other");
        return false;
    }
    if (nTlsGiven == 0 && !options.bInsecureListen && !isLoopback(options.strListen)) {
        *pError = QStringLiteral(
                      "refusing to listen on %1 without TLS: beyond loopback anyone on the network could set "
                      "the camera and take its frames. Give --tls-cert, --tls-key and --tls-ca (made by "
                      "make-certs.sh, see vision-core(1)), or --insecure-listen on a closed test network")
                      .arg(options.strListen);
        return false;
    }
    if (parser.isSet(simulated)) {
        bool bOk = false;
        options.nSimulated = parser.value(simulated).toInt(&bOk);
        if (!bOk || options.nSimulated < 0 || options.nSimulated > 16) {
            *pError = QStringLiteral("simulated must be 0 to 16");
            return false;
        }
    }
    if (parser.isSet(discovery)) {
        const QString strValue = parser.value(discovery).toLower();
        if (strValue != QLatin1String("on") && strValue != QLatin1String("off")) {
            *pError = QStringLiteral("discovery must be on or off");
            return false;
        }
        options.nDiscovery = strValue == QLatin1String("on") ? 1 : 0;
    }
    *pOptions = options;
    return true;
}
