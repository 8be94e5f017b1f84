#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QPushButton>

// Push button with normal, hover and pressed icons, an optional close mark at its
// right end (for title-bar tabs) and an optional pop-up shown while hovered.
class DTButton : public QPushButton
{
    Q_OBJECT
public:
    explicit DTButton(QWidget* parent = nullptr);

    void setIcons(QIcon normal, QIcon hover, QIcon pressed);
    void setCloseMark(bool bCloseMark);
    void setHoverPopup(QWidget* pPopup);

    bool hasCloseMark() const { return m_bCloseMark; }
    QWidget* hoverPopup() const { return m_pHoverPopup; }

    // Width of the close zone at the button's right end.
    static constexpr int CloseZoneWidth = 20;

signals:
    void signalCloseTab(QString tabName);

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QFont m_font;
    bool m_bCloseMark = false;
    QImage m_closeImage;
    QIcon m_iconNormal;
    QIcon m_iconHover;
    QIcon m_iconPressed;
    QWidget* m_pHoverPopup = nullptr;
};
