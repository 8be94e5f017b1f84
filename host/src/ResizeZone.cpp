#include "ResizeZone.h"

namespace {
const int kMargin = 6;
}

ResizeZone hitTestZone(QPoint pos, QSize size)
{
    const int w = size.width();
    const int h = size.height();
    const int m = kMargin;

    ResizeZone zone = ResizeZone::None;
    const struct
    {
        QRect rect;
        ResizeZone zone;
    } frame[] = {
        {QRect(m, 0, w - 2 * m, h - m), ResizeZone::Client},
        {QRect(0, 0, m, h - m), ResizeZone::Left},
        {QRect(w - m, 0, m, h - m), ResizeZone::Right},
        {QRect(m, h - m, w - 2 * m, m), ResizeZone::Bottom},
        {QRect(0, h - m, m, m), ResizeZone::BottomLeft},
        {QRect(w - m, h - m, m, m), ResizeZone::BottomRight},
    };
    for (const auto& f : frame) {
        if (f.rect.contains(pos)) {
            zone = f.zone;
            break;
        }
    }

    const struct
    {
        QRect rect;
        ResizeZone zone;
    } topBand[] = {
        {QRect(m, m, w - 2 * m, m), ResizeZone::Top},
        {QRect(0, m, m, m), ResizeZone::TopLeft},
        {QRect(w - m, m, m, m), ResizeZone::TopRight},
    };
    for (const auto& t : topBand) {
        if (t.rect.contains(pos))
            return t.zone;
    }
    return zone;
}

Qt::Edges zoneEdges(ResizeZone zone)
{
    switch (zone) {
    case ResizeZone::Left: return Qt::LeftEdge;
    case ResizeZone::Right: return Qt::RightEdge;
    case ResizeZone::Top: return Qt::TopEdge;
    case ResizeZone::Bottom: return Qt::BottomEdge;
    case ResizeZone::TopLeft: return Qt::TopEdge | Qt::LeftEdge;
    case ResizeZone::TopRight: return Qt::TopEdge | Qt::RightEdge;
    case ResizeZone::BottomLeft: return Qt::BottomEdge | Qt::LeftEdge;
    case ResizeZone::BottomRight: return Qt::BottomEdge | Qt::RightEdge;
    case ResizeZone::None:
    case ResizeZone::Client: break;
    }
    return Qt::Edges();
}

Qt::CursorShape zoneCursor(ResizeZone zone)
{
    switch (zone) {
    case ResizeZone::Left:
    case ResizeZone::Right: return Qt::SizeHorCursor;
    case ResizeZone::Top:
    case ResizeZone::Bottom: return Qt::SizeVerCursor;
    case ResizeZone::TopLeft:
    case ResizeZone::BottomRight: return Qt::SizeFDiagCursor;
    case ResizeZone::TopRight:
    case ResizeZone::BottomLeft: return Qt::SizeBDiagCursor;
    case ResizeZone::None:
    case ResizeZone::Client: break;
    }
    return Qt::ArrowCursor;
}

QRect resizedGeometry(QRect start, ResizeZone zone, QPoint delta, QSize minSize)
{
    const Qt::Edges edges = zoneEdges(zone);
    QRect r = start;
    if (edges & Qt::LeftEdge)
        r.setLeft(qMin(start.left() + delta.x(), start.right() + 1 - minSize.width()));
    if (edges & Qt::RightEdge)
        r.setRight(qMax(start.right() + delta.x(), start.left() + minSize.width() - 1));
    if (edges & Qt::TopEdge)
        r.setTop(qMin(start.top() + delta.y(), start.bottom() + 1 - minSize.height()));
    if (edges & Qt::BottomEdge)
        r.setBottom(qMax(start.bottom() + delta.y(), start.top() + minSize.height() - 1));
    return r;
}
