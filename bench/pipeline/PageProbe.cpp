#include "PageProbe.h"

#include "server/FrameStamp.h"
#include "framework/PluginMessages.h"

#include <QEvent>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QGraphicsView>

#include <algorithm>
#include <cmath>

PageProbe::PageProbe(QGraphicsView* pView)
    : m_pView(pView)
{
    if (pView)
        pView->viewport()->installEventFilter(this);
}

void PageProbe::reset()
{
    m_nRecords = 0;
    m_nShown = 0;
    m_nStamped = 0;
    m_nPaints = 0;
    m_latencies.clear();
}

bool PageProbe::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() == QEvent::Paint)
        ++m_nPaints;
    return QObject::eventFilter(pWatched, pEvent);
}

void PageProbe::slotEventFromPlugins(PluginMetaData plt)
{
    if (plt.nModule != MODULE_CAPTURO || plt.nMsgId != MSG_FRAME)
        return;
    const qint64 nNow = FrameStamp::now();
    ++m_nRecords;
    QGraphicsScene* pScene = m_pView ? m_pView->scene() : nullptr;
    if (!pScene)
        return;
    for (QGraphicsItem* pItem : pScene->items()) {
        auto* pPixmapItem = qgraphicsitem_cast<QGraphicsPixmapItem*>(pItem);
        if (!pPixmapItem || pPixmapItem->pixmap().cacheKey() == m_nLastPixmap)
            continue;
        const QPixmap pixmap = pPixmapItem->pixmap();
        m_nLastPixmap = pixmap.cacheKey();
        ++m_nShown;
        const QImage corner = pixmap.copy(0, 0, FrameStamp::kPixels, 1).toImage();
        unsigned char values[FrameStamp::kPixels] = {};
        for (int x = 0; x < FrameStamp::kPixels && x < corner.width(); ++x)
            values[x] = static_cast<unsigned char>(qGreen(corner.pixel(x, 0)));
        int64_t nSent = 0;
        if (FrameStamp::read(values, &nSent)) {
            ++m_nStamped;
            m_latencies << (nNow - nSent) / 1e6;
        }
        if (m_shownHook)
            m_shownHook(plt.jsonData.value("key").toString());
        break;
    }
}

double quantile(QVector<double> values, double dQ)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const int nRank = qBound(0, int(std::ceil(dQ * values.size())) - 1, values.size() - 1);
    return values[nRank];
}
