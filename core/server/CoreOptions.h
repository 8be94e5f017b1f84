#pragma once

#include <QString>
#include <QtGlobal>
#include <QStringList>

// Settings of one core, from the command line.
struct CoreOptions
{
    // The cap of a frame in one message of the link (a 5120 x 5120 colour
    // frame is 75 MiB); the client's receive limit matches it. Below it a
    // client's stream carries frames up to its largest open camera's size
    // (CameraRegistry::frameLimit).
    static constexpr qint64 kMaxFrameBytes = 96 * 1024 * 1024;
    // Room in a frame message for everything but the pixels.
    static constexpr qint64 kFrameHeaderBytes = 64 * 1024;

    QString strListen = QStringLiteral("127.0.0.1:20020");
    int nWidth = 1920;
    int nHeight = 1080;
    bool bGrey = false;
    // Images played in name order instead of the synthetic scene.
    QString strFolder;
    // Video mode frame rate; 0 sends as fast as the slowest subscriber reads.
    double dVideoFps = 25.0;
    // A measurement result after every n-th frame; 0 never.
    int nResultEvery = 10;
    // Each frame carries its send time in its first pixels (FrameStamp.h).
    bool bStampTime = false;

    // A GenICam camera instead of the simulated one: its device id, serial
    // number or address, or "first" for the first camera found. Empty: simulated.
    QString strGenICam;
    // Size and video rate as given on the command line; a GenICam camera
    // keeps its own where they are not.
    bool bSizeGiven = false;
    bool bVideoFpsGiven = false;
    // GenICam pixel format to select (e.g. "BayerRG8"); empty keeps the camera's.
    QString strPixelFormat;
    // GigE Vision packet size in bytes; 0 lets the library negotiate it.
    int nPacketSize = 0;
    // Receive socket buffer of a GigE Vision stream, in bytes.
    int nSocketBuffer = 4 * 1024 * 1024;
    // Simulated cameras beside the GenICam ones; -1: the program's default
    // (one for vision-core-sim, none for vision-core).
    int nSimulated = -1;
    // Whether GenICam cameras are looked for (unless --genicam names one);
    // -1: the program's default (on for vision-core, off for vision-core-sim,
    // whose runs and tests must not send discovery broadcasts off loopback).
    int nDiscovery = -1;
    // Seconds between attempts to reopen a camera that went away.
    double dReopenSeconds = 3.0;

    // Beyond loopback the link is TLS with client certificates (PEM files):
    // the core's certificate and key, and the CA that client certificates
    // must chain to. Loopback serves plaintext unless they are given.
    QString strTlsCert;
    QString strTlsKey;
    QString strTlsCa;
    // Serve a non-loopback address without TLS (closed test networks only).
    bool bInsecureListen = false;

    bool useTls() const { return !strTlsCert.isEmpty(); }
    // The address to listen on reaches only this machine (127.0.0.0/8, ::1, localhost).
    static bool isLoopback(const QString& strListen);

    // Parses argv-style arguments (the first is the program). On failure
    // returns false with the reason, or with an empty reason for --help.
    static bool parse(const QStringList& arguments, CoreOptions* pOptions, QString* pError);
};
