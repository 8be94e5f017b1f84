#pragma once

#include "common/vexa_image.h"

#include <QByteArray>
#include <QImage>
#include <mutex>
#include <QString>

// Turns a frame of the core into a QImage through one shared BMP file. The file
// is a single hand-over point, so frames that arrive at the same time pass it
// one after the other. When the file cannot be written or read back, the image
// is built from the frame's own pixels, never taken from an older frame.
class FrameHandOff
{
public:
    explicit FrameHandOff(const QString& strPath);

    // Any thread. pFromFile tells whether the image came through the file.
    QImage toImage(vexa::VexaImage& image, bool* pFromFile = nullptr);

    // A deep copy of the frame's pixels: grey, BGR or BGRA; null for an empty frame.
    static QImage imageFromPixels(const vexa::VexaImage& image);

    // A BGR image as the RGB32 QImage that Qt's BMP reader makes of it.
    static QImage rgb32FromBgr(const vexa::VexaImage& image);

private:
    // The hand-over file as a QImage; null when it cannot be read. Called
    // under m_mutex.
    QImage readBack(int nChannels);

    std::mutex m_mutex;
    // The file's pixels as read, kept so that its memory serves the next frame too.
    vexa::VexaImage m_fileImage;
    QString m_strPath;
    QByteArray m_pathBytes;
};
