#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <Qt>

// The 6-pixel border zones of the frameless window, as a window manager's hit test
// would report them. None is a point outside the window.
enum class ResizeZone
{
    None,
    Client,
    Left,
    Right,
    Top,
    Bottom,
    TopLeft,
    TopRight,
    BottomLeft,
    BottomRight,
};

// Zone of a point in window coordinates for a window of the given size. The top band
// lies at rows 6 to 11 and overrides the rest; rows 0 to 5 belong to the client area
// (or to the side edges in the corners).
ResizeZone hitTestZone(QPoint pos, QSize size);

Qt::Edges zoneEdges(ResizeZone zone);
Qt::CursorShape zoneCursor(ResizeZone zone);

// Geometry after dragging the zone's edges by delta, never smaller than minSize; the
// opposite edges stay where they are.
QRect resizedGeometry(QRect start, ResizeZone zone, QPoint delta, QSize minSize);
