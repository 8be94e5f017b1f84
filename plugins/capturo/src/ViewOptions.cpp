#include "ViewOptions.h"

#include "HistogramOverlay.h"
#include "HistogramWorker.h"

#include <QAction>
#include <QActionGroup>
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
    , m_pKeepZoom(m_pMenu->addAction(tr("保持缩放")))
    , m_pCornerMenu(m_pMenu->addMenu(tr("直方图位置")))
    , m_pCornerGroup(new QActionGroup(this))
    , m_pOverlay(new HistogramOverlay(pView))
    , m_pWorker(new HistogramWorker(250, this))
{
    m_pMenu->setObjectName("menu_ImageView");
    m_pMenu->setStyleSheet(kMenuStyle);
    m_pHistogram->setObjectName("action_Histogram");
    m_pHistogram->setCheckable(true);
    m_pFigures->setObjectName("action_Figures");
    m_pFigures->setCheckable(true);
    m_pKeepZoom->setObjectName("action_KeepZoom");
    m_pKeepZoom->setCheckable(true);
    m_pCornerMenu->setObjectName("menu_HistogramCorner");
    m_pCornerMenu->setStyleSheet(kMenuStyle);
    const struct
    {
        const char* pText;
        const char* pName;
        Corner eCorner;
    } corners[] = {
        {QT_TR_NOOP("左上"), "action_HistogramTopLeft", TopLeft},
        {QT_TR_NOOP("右上"), "action_HistogramTopRight", TopRight},
        {QT_TR_NOOP("左下"), "action_HistogramBottomLeft", BottomLeft},
        {QT_TR_NOOP("右下"), "action_HistogramBottomRight", BottomRight},
    };
    for (const auto& corner : corners) {
        QAction* pAction = m_pCornerMenu->addAction(tr(corner.pText));
        pAction->setObjectName(corner.pName);
        pAction->setCheckable(true);
        pAction->setData(int(corner.eCorner));
        pAction->setChecked(corner.eCorner == m_eCorner);
        m_pCornerGroup->addAction(pAction);
    }
    m_pCornerGroup->setExclusive(true);
    connect(m_pCornerGroup, &QActionGroup::triggered, this, [this](QAction* pAction) {
        m_eCorner = Corner(pAction->data().toInt());
        placeOverlay();
    });
    connect(m_pKeepZoom, &QAction::toggled, this, &ViewOptions::signalKeepZoomToggled);
    m_pOverlay->hide();

    m_pView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pView, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_pMenu->popup(m_pView->viewport()->mapToGlobal(pos)); });
    connect(m_pHistogram, &QAction::toggled, this, &ViewOptions::slotHistogramToggled);
    connect(m_pFigures, &QAction::toggled, this, &ViewOptions::signalFiguresToggled);
    connect(m_pWorker, &HistogramWorker::signalHistogramReady, m_pOverlay,
            &HistogramOverlay::slotSetHistogram);
    // The overlay keeps to the viewport's corner when the page is resized; the
    // viewport has its new size only once the view has laid it out.
    m_pViewport = m_pView->viewport();
    m_pViewport->installEventFilter(this);
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
    const QList<QGraphicsItem*> items = m_pView->scene() ? m_pView->scene()->items()
                                                         : QList<QGraphicsItem*>();
    for (QGraphicsItem* pItem : items)
        if (auto* pPixmapItem = qgraphicsitem_cast<QGraphicsPixmapItem*>(pItem))
            m_pWorker->submit(pPixmapItem->pixmap().toImage());
    placeOverlay();
    m_pOverlay->show();
    m_pOverlay->raise();
}

QAction* ViewOptions::cornerAction(Corner eCorner) const
{
    for (QAction* pAction : m_pCornerGroup->actions())
        if (pAction->data().toInt() == int(eCorner))
            return pAction;
    return nullptr;
}

void ViewOptions::placeOverlay()
{
    // Inside the viewport, clear of the scroll bars.
    const QRect area = m_pView->viewport()->geometry();
    const bool bLeft = m_eCorner == TopLeft || m_eCorner == BottomLeft;
    const bool bTop = m_eCorner == TopLeft || m_eCorner == TopRight;
    const int nX = bLeft ? area.left() + kOverlayMargin
                         : area.right() + 1 - kOverlayMargin - m_pOverlay->width();
    const int nY = bTop ? area.top() + kOverlayMargin
                        : area.bottom() + 1 - kOverlayMargin - m_pOverlay->height();
    m_pOverlay->move(qMax(0, nX), qMax(0, nY));
}

bool ViewOptions::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // Compared with the viewport kept at start: the view may already be half
    // destroyed when its viewport's last events arrive.
    if (pEvent->type() == QEvent::Resize && pWatched == m_pViewport)
        placeOverlay();
    return QObject::eventFilter(pWatched, pEvent);
}
