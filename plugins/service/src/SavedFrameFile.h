#pragma once

#include "common/vexa_image.h"

#include <QImage>
#include <QString>

// Writes one received frame into the save folder without ever replacing a file.
//
// The file is named by the frame's key when that name is free under both
// extensions (a thumbnail falls back to the other one), else by the key with
// "_1", "_2"... The bytes go to a temporary name first and are moved into
// place by a rename that refuses to replace (or a hard link where the file
// system has no such rename), so a full disk never leaves an empty or cut
// file under a frame's name, and another client saving into the same folder
// can never have its file replaced.
class SavedFrameFile
{
public:
    struct Outcome
    {
        bool bOk = false;
        QString qsFile; // the file written, or the name it was meant for
        QString qsName; // qsFile without extension, as the image list shows it
        int nErrno = 0; // why it failed
    };

    // qsExtension: ".bmp" (the frame's own bytes) or ".jpg" (from image).
    // qsFolder and qsKey are joined with "//", as saved frames are named.
    static Outcome write(vexa::VexaImage& frame, const QImage& image, const QString& qsFolder,
                         const QString& qsKey, const QString& qsExtension);

    // The names tried for a key, in order: "17", "17_1", "17_2"...
    static QString candidate(const QString& qsKey, int nAttempt);
    // Moves temporary to target unless target exists; 0 or the errno.
    static int moveNoReplace(const QByteArray& temporary, const QByteArray& target);
};
