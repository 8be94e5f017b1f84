#include "framework/DTButton.h"

#include <QCursor>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

static void initFrameworkResources()
{
    // The framework is linked statically into the host and the plugins, so each of
    // them registers its own copy of the close image.
    Q_INIT_RESOURCE(kelvora_framework_icons);
}

namespace {
const char* const kDefaultStyle =
    "QPushButton { font: 14px; border-radius: 10px; background-color:rgba(115, 129, 255, 1); color: #EAEAEA;}  "
    "QPushButton:hover {font: 14px; background-color:rgba(141, 153, 255, 1); color: #EAEAEA;} "
    "QPushButton:pressed {font: 14px; background-color:rgba(79, 92, 203, 1); color: #EAEAEA;} "
    "QPushButton:checked {font: 14px; background-color:rgba(79, 92, 203, 1); color: #EAEAEA;}";
}

DTButton::DTButton(QWidget*)
    : QPushButton(nullptr)
{
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(kDefaultStyle);
    static const bool bResourcesReady = (initFrameworkResources(), true);
    Q_UNUSED(bResourcesReady);
    m_closeImage = QPixmap(":/resources/close_dark.png")
                       .scaled(20, 21, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                       .toImage();
}

void DTButton::setIcons(QIcon normal, QIcon hover, QIcon pressed)
{
    m_iconNormal = normal;
    m_iconHover = hover;
    m_iconPressed = pressed;
}

void DTButton::setCloseMark(bool bCloseMark)
{
    m_bCloseMark = bCloseMark;
}

void DTButton::setHoverPopup(QWidget* pPopup)
{
    m_pHoverPopup = pPopup;
}

void DTButton::enterEvent(QEvent* event)
{
    QPushButton::enterEvent(event);
    if (!m_iconHover.isNull())
        setIcon(m_iconHover);
    if (isEnabled() && m_pHoverPopup) {
        const auto* enter = dynamic_cast<QEnterEvent*>(event);
        const QPoint cursor = enter ? enter->globalPos() : QCursor::pos();
        QRect rect(cursor.x() - m_pHoverPopup->width(), cursor.y(), m_pHoverPopup->width(),
                   m_pHoverPopup->height());
        // Near the screen's bottom (a button at the foot of a maximised page) the pop-up
        // opens above the pointer instead, so that none of its rows is off screen.
        if (const QScreen* pScreen = QGuiApplication::screenAt(cursor)) {
            const QRect screen = pScreen->availableGeometry();
            if (rect.bottom() > screen.bottom())
                rect.moveBottom(cursor.y() - 1);
            if (rect.left() < screen.left())
                rect.moveLeft(screen.left());
        }
        m_pHoverPopup->setGeometry(rect);
        m_pHoverPopup->setVisible(true);
        m_pHoverPopup->show();
    }
}

void DTButton::leaveEvent(QEvent* event)
{
    QPushButton::leaveEvent(event);
    if (!m_iconNormal.isNull())
        setIcon(m_iconNormal);
    // The pointer may travel from the button onto the pop-up without closing it.
    if (isEnabled() && m_pHoverPopup && !m_pHoverPopup->geometry().contains(QCursor::pos()))
        m_pHoverPopup->hide();
}

void DTButton::mousePressEvent(QMouseEvent* event)
{
    QPushButton::mousePressEvent(event);
    if (m_bCloseMark && event->pos().x() > width() - CloseZoneWidth)
        emit signalCloseTab(objectName());
    if (!m_iconPressed.isNull())
        setIcon(m_iconPressed);
}

void DTButton::mouseReleaseEvent(QMouseEvent* event)
{
    QPushButton::mouseReleaseEvent(event);
    if (!m_iconNormal.isNull())
        setIcon(m_iconNormal);
}

void DTButton::paintEvent(QPaintEvent* event)
{
    QPushButton::paintEvent(event);
    if (m_bCloseMark) {
        QPainter painter(this);
        painter.drawImage(QPoint(width() - CloseZoneWidth, 11), m_closeImage);
    }
}

void DTButton::mouseMoveEvent(QMouseEvent* event)
{
    QPushButton::mouseMoveEvent(event);
}

bool DTButton::event(QEvent* event)
{
    return QPushButton::event(event);
}

void DTButton::focusInEvent(QFocusEvent* event)
{
    QPushButton::focusInEvent(event);
}

void DTButton::focusOutEvent(QFocusEvent* event)
{
    QPushButton::focusOutEvent(event);
}
