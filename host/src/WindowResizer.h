#pragma once

#include "ResizeZone.h"

#include <QObject>
#include <QPoint>
#include <QRect>

class QMouseEvent;
class QWidget;

// Frameless resizing for a top-level widget: watches the mouse on the widget's native
// window, shows the resize cursor of the 6-pixel zone under the pointer and, on a left
// press in a zone, hands the resize to the window system. Without a window manager
// (startSystemResize returns false) it resizes the window itself until the release.
class WindowResizer : public QObject
{
    Q_OBJECT
public:
    // pWindow must be a shown (or at least created) top-level widget.
    explicit WindowResizer(QWidget* pWindow);

    bool isResizingByHand() const { return m_bManual; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ResizeZone zoneAt(QPoint pos) const;
    void showZoneCursor(ResizeZone zone);
    bool handlePress(QMouseEvent* event);

    QWidget* m_pWindow = nullptr;
    ResizeZone m_cursorZone = ResizeZone::Client;
    bool m_bManual = false;
    ResizeZone m_manualZone = ResizeZone::None;
    QPoint m_pressGlobalPos;
    QRect m_startGeometry;
};
