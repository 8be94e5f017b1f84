#include "ViewOptions.h"

#include "HistogramOverlay.h"
#include "HistogramWorker.h"

#include <QAction>
#include <QEvent>
#include <QGraphicsPixmapItem>
#include <QGraphicsView>
#include <QMenu>

namespace {

constexpr int kOverlayMargin = 8;

const char* const kMenuStyle =
    "QMenu { font: 12px; color: #EAEAEA; background-color: rgba(57, 55, 62, 1);"
    " border: 1px solid rgba(255, 255, 255, 0.15); border-radius: 4px; padding: 4px; }"
    "QMenu::item { padding: 6px 24px 6px 24px; border-radius: 4px; }"
    "QMenu::item:selected { background-color: rgba(115, 129, 255, 1); }"
    "QMenu::indicator { width: 12px; height: 12px; left: 6px; }"
    "QMenu::indicator:checked { background-color: rgba(115, 129, 255, 1); border: 1px solid #EAEAEA; border-radius: 2px; }"
    "QMenu::indicator:unchecked { border: 1px solid rgba(255, 255, 255, 0.4); border-radius: 2px; }";

} // namespace

ViewOptions::ViewOptions(QGraphicsView* pView, QObject* parent)
    : QObject(parent)
    , m_pView(pView)
    , m_pMenu(new QMenu(pView))
    , m_pHistogram(m_pMenu->addAction(tr("直方图")))
    , m_pFigures(m_pMenu->addAction(tr("采集统计")))
    , m_pOverlay(new HistogramOverlay(pView))
    , m_pWorker(new HistogramWorker(250, this))
{
    m_pMenu->setObjectName("menu_ImageView");
    m_pMenu->setStyleSheet(kMenuStyle);
    m_pHistogram->setObjectName("action_Histogram");
    m_pHistogram->setCheckable(true);
    m_pFigures->setObjectName("action_Figures");
    m_pFigures->setCheckable(true);
    m_pOverlay->hide();

    m_pView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_pMenu->popup(m_pView->viewport()->mapToGlobal(pos)); });
    connect(m_pHistogram, &QAction::toggled, this, &ViewOptions::slotHistogramToggled);
    connect(m_pFigures, &QAction::toggled, this, &ViewOptions::signalFiguresToggled);
    connect(m_pWorker, &HistogramWorker::signalHistogramReady, m_pOverlay, &HistogramOverlay::slotSetHistogram);
    // The overlay keeps to the view's corner when the page is resized.
    m_pView->installEventFilter(this);
}

ViewOptions::~ViewOptions() = default;

void ViewOptions::slotImageShown(const QPixmap& pixmap)
{
    if (m_pHistogram->isChecked())
        m_pWorker->submit(pixmap.toImage());
}

void ViewOptions::slotHistogramToggled(bool bOn)
{
    if (!bOn) {
        m_pWorker->clear();
        m_pOverlay->hide();
        return;
    }
    // Drawn at once for the image already on screen, not only from the next one on.
    const QList<QGraphicsItem*> items = m_pView->scene() ? m_pView->scene()->items() : QList<QGraphicsItem*>();
    for (QGraphicsItem* pItem : items)
        if (auto* pPixmapItem = qgraphicsitem_cast<QGraphicsPixmapItem*>(pItem))
            m_pWorker->submit(pPixmapItem->pixmap().toImage());
    placeOverlay();
    m_pOverlay->show();
    m_pOverlay->raise();
}

void ViewOptions::placeOverlay()
{
    m_pOverlay->move(kOverlayMargin, kOverlayMargin);
}

bool ViewOptions::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pView && pEvent->type() == QEvent::Resize)
        placeOverlay();
    return QObject::eventFilter(pWatched, pEvent);
}
