#include "DTToolBar.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>

namespace {
const char* const kToolButtonStyle =
    "QPushButton {background-color: rgb(57, 53, 51);} QPushButton:hover { background-color: #292448;} "
    "QPushButton:pressed { background-color: #292448; } QPushButton:checked { background-color: #292448; }";
const char* const kSeparatorStyle = "background-color: rgba(255, 255, 255, 0.1);";
} // namespace

DTToolBar::DTToolBar(QWidget*)
    : QWidget(nullptr)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_StyledBackground, true);

    m_pMainLayout = new QHBoxLayout(this);
    m_pMainLayout->setContentsMargins(0, 0, 0, 0);
    m_pButtonLayout = new QHBoxLayout;
    m_pButtonLayout->setContentsMargins(0, 0, 0, 0);
    m_pMainLayout->addStretch();
    m_pMainLayout->addLayout(m_pButtonLayout);
    m_pMainLayout->addStretch();
}

void DTToolBar::addButton(QString, QIcon icon, QPushButton* button, Qt::Alignment align)
{
    if (!button)
        return;
    m_buttons.append(button);
    button->setAttribute(Qt::WA_StyledBackground, true);
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setStyleSheet(kToolButtonStyle);
    // A plugin may hand over a button it already checked; it stays checked.
    button->setCheckable(true);
    m_pButtonLayout->addWidget(button, 0, align);
}

void DTToolBar::addSeparator()
{
    auto* pLine = new QFrame;
    pLine->setFixedHeight(16);
    pLine->setFixedWidth(1);
    pLine->setFrameShape(QFrame::VLine);
    pLine->setFrameShadow(QFrame::Sunken);
    pLine->setStyleSheet(kSeparatorStyle);
    m_pButtonLayout->addWidget(pLine);
}
