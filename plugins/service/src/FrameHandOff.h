#pragma once

#include "common/vexa_image.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Turns a frame of the core into the QImage of its frame record, and keeps the
// shared hand-over file ("test.bmp") up to date for whoever reads it.
//
// The record's image is always built from the frame's own pixels: another
// client started in the same folder rewrites the same file, so reading it
// back could return the other station's frame. The file is written on a
// thread of its own, so a slow or full disk never holds up the caller (the
// core link's stream thread); when the disk falls behind, frames that were
// not written yet are replaced by the newest one instead of queueing up.
class FrameHandOff
{
public:
    // Writes the frame to the given path; true on success.
    using Writer = std::function<bool(vexa::VexaImage& image, const QByteArray& path)>;

    // The default writer writes a file beside the target and renames it over
    // the target, so a reader never sees a half-written file.
    explicit FrameHandOff(const QString& strPath, Writer writer = Writer());
    ~FrameHandOff();

    // Any thread. The frame's own image; the frame goes to the file later.
    QImage toImage(const std::shared_ptr<vexa::VexaImage>& pImage);

    // A deep copy of the frame's pixels: grey as Grayscale8, BGR and BGRA as
    // opaque RGB32 (the alpha byte of a camera frame means nothing); null for
    // an empty frame.
    static QImage imageFromPixels(const vexa::VexaImage& image);

    // A BGR image as the RGB32 QImage that Qt's BMP reader makes of it.
    static QImage rgb32FromBgr(const vexa::VexaImage& image);

    // Frames written to the file, frames replaced before their turn, failed writes.
    quint64 written() const;
    quint64 skipped() const;
    quint64 failed() const;
    // Waits until no frame is waiting or being written; false on timeout.
    bool waitIdle(int nTimeoutMs);

    FrameHandOff(const FrameHandOff&) = delete;
    FrameHandOff& operator=(const FrameHandOff&) = delete;

private:
    void run();
    static bool writeReplacing(vexa::VexaImage& image, const QByteArray& path);

    const QByteArray m_pathBytes;
    const Writer m_writer;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::shared_ptr<vexa::VexaImage> m_pPending;
    bool m_bWriting = false;
    bool m_bStopping = false;
    quint64 m_nWritten = 0;
    quint64 m_nSkipped = 0;
    quint64 m_nFailed = 0;
    std::thread m_thread;
};
