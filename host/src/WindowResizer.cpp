#include "WindowResizer.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

WindowResizer::WindowResizer(QWidget* pWindow)
    : QObject(pWindow)
    , m_pWindow(pWindow)
{
    // The native window sees every mouse event before it is routed to the child
    // widget under the pointer, so the zones work over any page.
    pWindow->winId();
    if (QWindow* pHandle = pWindow->windowHandle())
        pHandle->installEventFilter(this);
}

ResizeZone WindowResizer::zoneAt(QPoint pos) const
{
    // A window that really fills its screen has no edges to pull. Without a window
    // manager the maximised state is only a flag and the edges stay usable.
    if (m_pWindow->isMaximized() || m_pWindow->isFullScreen()) {
        const QScreen* pScreen = m_pWindow->windowHandle()->screen();
        if (pScreen && m_pWindow->frameGeometry().contains(pScreen->availableGeometry()))
            return ResizeZone::Client;
    }
    return hitTestZone(pos, m_pWindow->size());
}

void WindowResizer::showZoneCursor(ResizeZone zone)
{
    if (zone == ResizeZone::None)
        zone = ResizeZone::Client;
    if (zone == m_cursorZone)
        return;
    m_cursorZone = zone;
    if (zone == ResizeZone::Client)
        m_pWindow->unsetCursor();
    else
        m_pWindow->setCursor(zoneCursor(zone));
}

bool WindowResizer::handlePress(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    const ResizeZone zone = zoneAt(event->pos());
    const Qt::Edges edges = zoneEdges(zone);
    if (!edges)
        return false;
    if (m_pWindow->windowHandle()->startSystemResize(edges))
        return true;
    m_bManual = true;
    m_manualZone = zone;
    m_pressGlobalPos = event->globalPos();
    m_startGeometry = m_pWindow->geometry();
    return true;
}

bool WindowResizer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_pWindow->windowHandle())
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: return handlePress(static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove: {
        auto* pMouse = static_cast<QMouseEvent*>(event);
        if (m_bManual) {
            m_pWindow->setGeometry(resizedGeometry(m_startGeometry, m_manualZone,
                                                   pMouse->globalPos() - m_pressGlobalPos,
                                                   m_pWindow->minimumSize()));
            return true;
        }
        if (pMouse->buttons() == Qt::NoButton)
            showZoneCursor(zoneAt(pMouse->pos()));
        return false;
    }
    case QEvent::MouseButtonRelease:
        if (m_bManual && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_bManual = false;
            return true;
        }
        return false;
    case QEvent::Leave:
        if (!m_bManual)
            showZoneCursor(ResizeZone::Client);
        return false;
    default: return false;
    }
}
