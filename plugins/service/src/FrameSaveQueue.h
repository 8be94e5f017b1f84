#pragma once

#include "SavedFrameFile.h"

#include <QImage>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

// Saves every received frame while saving is on, on a thread of its own, ahead
// of the display's bound: the display may skip frames, saving may not. Frames
// wait in a queue bounded by bytes; a frame that would exceed the bound is
// not saved and counted, and the caller (the core link's stream thread) never
// waits for the disk.
class FrameSaveQueue
{
public:
    struct Settings
    {
        bool bEnabled = false;
        QString qsFolder;
        QString qsFormat = QStringLiteral(".bmp");
        QString qsType = QStringLiteral("all");
    };

    struct Saved
    {
        QString qsKey;
        QString qsName; // the file without extension
        QString qsFile;
        QImage icon; // at most kIconSize square, aspect kept
    };

    struct Failure
    {
        QString qsFile;
        int nErrno = 0;
        quint64 nTotal = 0; // failed writes with this errno so far
    };

    struct Counters
    {
        quint64 nOffered = 0;    // frames that arrived while saving was on
        quint64 nSaved = 0;      // written to disk
        quint64 nOverflowed = 0; // not saved: the queue's bound was reached
        quint64 nFailed = 0;     // not saved: the write failed
    };

    static constexpr qint64 kDefaultMaxBytes = 128ll * 1024 * 1024;
    static constexpr int kIconSize = 70;

    // Called on the writer thread.
    using SavedSink = std::function<void(const Saved&)>;
    using FailureSink = std::function<void(const Failure&)>;
    using OverflowSink = std::function<void(quint64 nTotal)>; // on the offering thread

    FrameSaveQueue(SavedSink saved, FailureSink failed, OverflowSink overflowed,
                   qint64 nMaxBytes = kDefaultMaxBytes);
    ~FrameSaveQueue();
    FrameSaveQueue(const FrameSaveQueue&) = delete;
    FrameSaveQueue& operator=(const FrameSaveQueue&) = delete;

    // Any thread. Frames offered from now on follow these settings.
    void setSettings(const Settings& settings);
    Settings settings() const;

    // Any thread; never waits for the disk. False when saving is off or the
    // frame did not fit under the bound.
    bool offer(const std::shared_ptr<vexa::VexaImage>& pFrame, const QImage& image, const QString& qsKey);

    Counters counters() const;
    qint64 queuedBytes() const;
    // Waits until every queued frame was written or failed; false on timeout.
    bool waitIdle(int nTimeoutMs);

    // The icon the image list shows for a saved frame; a copy of its own.
    static QImage iconOf(const QImage& image);
    // The frame's pixels as a QImage without copying them (grey and BGR; null otherwise).
    static QImage borrowedView(const vexa::VexaImage& frame);

private:
    struct Job
    {
        std::shared_ptr<vexa::VexaImage> pFrame;
        QImage image;
        QString qsKey;
        Settings settings;
        qint64 nBytes = 0;
    };

    void run();

    const qint64 m_nMaxBytes;
    SavedSink m_saved;
    FailureSink m_failed;
    OverflowSink m_overflowed;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    Settings m_settings;
    std::deque<Job> m_jobs;
    qint64 m_nQueuedBytes = 0;
    bool m_bWriting = false;
    bool m_bStopping = false;
    Counters m_counters;
    std::map<int, quint64> m_failuresByErrno;
    std::thread m_thread;
};
