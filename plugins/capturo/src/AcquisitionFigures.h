#pragma once

#include <QCoreApplication>
#include <QString>

#include <deque>

// The live acquisition figures as the operator reads them: what arrives from the
// core (frames and megabytes a second), what the page shows a second, and the totals
// of frames dropped for display, saved and not saved, with the state of the link.
// Received and shown rates come from separate counters, so a display that falls
// behind never makes the camera look slow. No widgets: times are given, not read.
class AcquisitionFigures
{
    Q_DECLARE_TR_FUNCTIONS(AcquisitionFigures)

public:
    // Totals since the service started, as it reports them about once a second.
    struct Totals
    {
        quint64 nReceived = 0;
        quint64 nBytes = 0;
        quint64 nDropped = 0;
        // Left out by the core for a reader that fell behind.
        quint64 nDroppedByCore = 0;
        quint64 nSaved = 0;
        quint64 nSaveFailed = 0;
        QString qsLink;
        // The camera as the core last told it: "" (nothing heard), "lost",
        // "reopening", "back".
        QString qsCamera;
        // The camera's side of the link, once the core counted it: frames that came
        // incomplete or found no free buffer, packets missing and resent.
        bool bCameraCounts = false;
        quint64 nCompleted = 0;
        quint64 nIncomplete = 0;
        quint64 nNoBuffer = 0;
        quint64 nMissingPackets = 0;
        quint64 nResent = 0;
    };
    struct Figures
    {
        double dReceivedFps = 0;
        double dShownFps = 0;
        // Mebibytes (2^20 bytes) a second.
        double dMBps = 0;
        Totals totals;
    };

    // Rates are averaged over this span, long enough to smooth a 1 s reporting beat.
    static constexpr qint64 WindowMs = 2000;

    void addTotals(qint64 nAtMs, const Totals& totals);
    void addShown(qint64 nAtMs);
    Figures figures(qint64 nNowMs);
    // Starts over, as after the figures were switched off and on again.
    void reset();

    // "接收 29.9 帧/秒 | 显示 29.9 帧/秒 | 3.42 MiB/秒 | 显示丢弃 0 | 已保存 120 | 保存失败 0 | 视觉核心: 已连接",
    // with "相机丢帧 3, 丢包 120" after the rates once the core counted the camera's
    // link, "核心丢弃 5" after "显示丢弃" once the core left frames out for this
    // client, then "| 相机: 已断开" once the core told the camera's state. Short enough
    // for a 1280 pixel wide window in either language.
    static QString text(const Figures& figures);
    // The camera's counts in full, for the tool tip; empty while the core counted nothing.
    static QString cameraDetails(const Totals& totals);
    static QString linkText(const QString& qsLink);
    // Empty while the core told nothing of the camera.
    static QString cameraText(const QString& qsCamera);

private:
    struct Sample
    {
        qint64 nAtMs;
        Totals totals;
    };
    std::deque<Sample> m_samples;
    std::deque<qint64> m_shown;
};
