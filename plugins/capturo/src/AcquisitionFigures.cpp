#include "AcquisitionFigures.h"

void AcquisitionFigures::addTotals(qint64 nAtMs, const Totals& totals)
{
    // A restarted service counts from zero again: the old samples say nothing of now.
    if (!m_samples.empty() && totals.nReceived < m_samples.back().totals.nReceived)
        m_samples.clear();
    m_samples.push_back({nAtMs, totals});
    // One sample older than the window stays as the rates' starting point.
    while (m_samples.size() > 2 && nAtMs - m_samples[1].nAtMs >= WindowMs)
        m_samples.pop_front();
}

void AcquisitionFigures::addShown(qint64 nAtMs)
{
    m_shown.push_back(nAtMs);
}

AcquisitionFigures::Figures AcquisitionFigures::figures(qint64 nNowMs)
{
    while (!m_shown.empty() && nNowMs - m_shown.front() >= WindowMs)
        m_shown.pop_front();

    Figures result;
    result.dShownFps = m_shown.size() * 1000.0 / WindowMs;
    if (m_samples.empty())
        return result;
    result.totals = m_samples.back().totals;
    const Sample& first = m_samples.front();
    const Sample& last = m_samples.back();
    // A service that stopped reporting has no rate to show, not its last one.
    if (nNowMs - last.nAtMs > WindowMs || last.nAtMs <= first.nAtMs)
        return result;
    const double dSeconds = (last.nAtMs - first.nAtMs) / 1000.0;
    result.dReceivedFps = (last.totals.nReceived - first.totals.nReceived) / dSeconds;
    result.dMBps = (last.totals.nBytes - first.totals.nBytes) / dSeconds / (1024.0 * 1024.0);
    return result;
}

void AcquisitionFigures::reset()
{
    m_samples.clear();
    m_shown.clear();
}

QString AcquisitionFigures::linkText(const QString& qsLink)
{
    if (qsLink == "connected")
        return tr("已连接");
    if (qsLink == "lost")
        return tr("已断开");
    return tr("未知");
}

QString AcquisitionFigures::cameraText(const QString& qsCamera)
{
    if (qsCamera == "lost")
        return tr("已断开");
    if (qsCamera == "reopening")
        return tr("正在重新打开");
    if (qsCamera == "back")
        return tr("已恢复");
    return QString();
}

QString AcquisitionFigures::text(const Figures& figures)
{
    QStringList parts{
        tr("接收 %1 帧/秒").arg(figures.dReceivedFps, 0, 'f', 1),
        tr("显示 %1 帧/秒").arg(figures.dShownFps, 0, 'f', 1),
    };
    // Beside received and shown: a camera that loses frames must not look like a slow one.
    const Totals& totals = figures.totals;
    if (totals.bCameraCounts)
        parts << tr("相机丢帧 %1, 丢包 %2")
                     .arg(totals.nIncomplete + totals.nNoBuffer)
                     .arg(totals.nMissingPackets);
    parts << tr("%1 MiB/秒").arg(figures.dMBps, 0, 'f', 2) << tr("显示丢弃 %1").arg(totals.nDropped);
    // Frames the core left out before they reached this client: never lost unseen,
    // and no room taken while there are none.
    if (totals.nDroppedByCore > 0)
        parts << tr("核心丢弃 %1").arg(totals.nDroppedByCore);
    parts << tr("已保存 %1").arg(totals.nSaved) << tr("保存失败 %1").arg(totals.nSaveFailed)
          << tr("视觉核心: %1").arg(linkText(totals.qsLink));
    const QString qsCamera = cameraText(figures.totals.qsCamera);
    if (!qsCamera.isEmpty())
        parts << tr("相机: %1").arg(qsCamera);
    return parts.join(QStringLiteral("  |  "));
}

QString AcquisitionFigures::cameraDetails(const Totals& totals)
{
    if (!totals.bCameraCounts)
        return QString();
    return tr("相机: 完整帧 %1, 不完整帧 %2, 无缓冲丢帧 %3, 缺失包 %4, 重发包 %5")
        .arg(totals.nCompleted)
        .arg(totals.nIncomplete)
        .arg(totals.nNoBuffer)
        .arg(totals.nMissingPackets)
        .arg(totals.nResent);
}
