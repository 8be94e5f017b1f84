#pragma once

#include <QString>
#include <QtGlobal>
#include <QStringList>

// Settings of one simulated core, from the command line.
struct SimOptions
{
    static constexpr qint64 kMaxFrameBytes = 48 * 1024 * 1024;

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

    // Parses argv-style arguments (the first is the program). On failure
    // returns false with the reason, or with an empty reason for --help.
    static bool parse(const QStringList& arguments, SimOptions* pOptions, QString* pError);
};
