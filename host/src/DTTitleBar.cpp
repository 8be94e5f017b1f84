#include "DTTitleBar.h"

#include "framework/DTButton.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace {
const char* const kBarStyle = "QWidget { background-color: rgba(0, 0, 0, 1); color: #EAEAEA; font: 18px; }";
const char* const kBlackButtonStyle =
    "QPushButton { font: 14px; border-radius: 0px; background-color:rgba(0, 0, 0, 1); color: #EAEAEA;}  "
    "QPushButton:hover {font: 14px; background-color:rgba(54, 52, 51, 1); color: #EAEAEA;} "
    "QPushButton:pressed {font: 14px; background-color:rgba(54, 52, 51, 1); color: #EAEAEA;}  "
    "QPushButton:checked {font: 14px; background-color:rgba(54, 52, 51, 1); color: #EAEAEA;}";

const char* const kHomeIcon = ":/resources/homepage.png";
const char* const kHomePressIcon = ":/resources/homepage_press.png";
const char* const kCameraIcon = ":/resources/camera.png";
const char* const kCameraPressIcon = ":/resources/camera_press.png";

DTButton* makeWindowButton(const char* name)
{
    auto* pBtn = new DTButton;
    pBtn->setObjectName(name);
    pBtn->setFlat(true);
    pBtn->setStyleSheet(kBlackButtonStyle);
    return pBtn;
}
} // namespace

DTTitleBar::DTTitleBar(QWidget* pMainWindow)
    : QWidget(nullptr)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet(kBarStyle);
    if (pMainWindow)
        m_pMainWindow = pMainWindow;

    m_pButtonGroup = new QButtonGroup(this);
    connect(m_pButtonGroup, SIGNAL(buttonClicked(QAbstractButton*)), this,
            SLOT(slotTabBtnClicked(QAbstractButton*)));

    m_pMainLayout = new QHBoxLayout(this);
    m_pMainLayout->setMargin(0);
    m_pMainLayout->setContentsMargins(0, 0, 0, 0);
    m_pTabLayout = new QHBoxLayout;
    m_pTabLayout->setMargin(0);
    m_pTabLayout->setContentsMargins(0, 0, 0, 0);

    m_pTitleLabel = new QLabel;
    m_pTitleLabel->setObjectName("window_title");
    m_pTitleLabel->setMinimumWidth(130);
    m_pLogoButton = new QToolButton;
    m_pLogoButton->setObjectName("window_logo");
    m_pLogoButton->setAttribute(Qt::WA_StyledBackground, true);

    m_pHomeButton = new DTButton;
    m_pHomeButton->setObjectName("win_homepage");
    m_pHomeButton->setStyleSheet(kBlackButtonStyle);
    m_pButtonGroup->addButton(m_pHomeButton);

    m_pMinButton = makeWindowButton("window_min");
    m_pMaxButton = makeWindowButton("window_max");
    m_pCloseButton = makeWindowButton("window_close");

    m_pMainLayout->addWidget(m_pLogoButton, 0, Qt::AlignLeft);
    m_pMainLayout->addWidget(m_pTitleLabel, 0, Qt::AlignLeft);
    m_pMainLayout->addWidget(m_pHomeButton, 0, Qt::AlignLeft);
    m_pMainLayout->addLayout(m_pTabLayout);
    m_pMainLayout->addStretch();
    m_pMainLayout->addWidget(m_pMinButton, 0, Qt::AlignRight);
    m_pMainLayout->addWidget(m_pMaxButton, 0, Qt::AlignRight);
    m_pMainLayout->addWidget(m_pCloseButton, 0, Qt::AlignRight);
    m_pMainLayout->addSpacing(5);

    if (m_pMainWindow) {
        connect(m_pMinButton, SIGNAL(clicked()), m_pMainWindow, SLOT(slotMinEvent()));
        connect(m_pMaxButton, SIGNAL(clicked()), m_pMainWindow, SLOT(slotMaxEvent()));
        connect(m_pCloseButton, SIGNAL(clicked()), m_pMainWindow, SLOT(slotCloseEvent()));
        connect(m_pHomeButton, SIGNAL(clicked()), m_pMainWindow, SLOT(slotHomePageEvent()));
    }
    connect(m_pHomeButton, SIGNAL(clicked()), this, SLOT(slotHomePageEvent()));
}

void DTTitleBar::setTitle(QString qsTitle)
{
    m_pTitleLabel->setText(qsTitle);
}

void DTTitleBar::setLogo(QIcon icon)
{
    m_pLogoButton->setIcon(icon);
    m_pLogoButton->setIconSize(QSize(32, 18));
    m_pLogoButton->setFixedSize(56, 44);
    m_pLogoButton->setGeometry(0, 0, 56, 44);
}

void DTTitleBar::setHomeIcon(QIcon normal, QIcon, QIcon, QSize iconSize)
{
    // The home button's look follows the group's check state (slotTabBtnClicked),
    // not hover and press.
    m_pHomeButton->setIcon(normal);
    m_pHomeButton->setIconSize(iconSize);
    m_pHomeButton->setFixedSize(60, 44);
    m_pHomeButton->setFlat(true);
}

void DTTitleBar::setWindowButtonIcons(QIcon min, QIcon max, QIcon close, QIcon minHover, QIcon maxHover,
                                      QIcon closeHover, QIcon minPressed, QIcon maxPressed,
                                      QIcon closePressed)
{
    const struct
    {
        DTButton* pBtn;
        QIcon normal, hover, pressed;
    } buttons[] = {
        {m_pMinButton, min, minHover, minPressed},
        {m_pMaxButton, max, maxHover, maxPressed},
        {m_pCloseButton, close, closeHover, closePressed},
    };
    for (const auto& b : buttons) {
        b.pBtn->setFixedHeight(44);
        b.pBtn->setFixedWidth(36);
        b.pBtn->setIcon(b.normal);
        b.pBtn->setIcons(b.normal, b.hover, b.pressed);
        b.pBtn->setIconSize(QSize(16, 16));
    }
}

void DTTitleBar::addTabButton(QAbstractButton* button, bool bNeedClose)
{
    if (!button)
        return;
    button->setAttribute(Qt::WA_StyledBackground, true);
    button->setStyleSheet(kBlackButtonStyle);
    button->setFixedWidth(200);
    button->setFixedHeight(44);
    if (auto* pPush = qobject_cast<QPushButton*>(button))
        pPush->setFlat(false);
    if (auto* pDTButton = qobject_cast<DTButton*>(button)) {
        pDTButton->setCloseMark(bNeedClose);
        connect(pDTButton, SIGNAL(signalCloseTab(QString)), this, SLOT(slotCloseTab(QString)));
    }
    m_tabButtons.append(button);
    m_pButtonGroup->addButton(button);
    m_pTabLayout->addWidget(button);
}

void DTTitleBar::removeTabButton(QAbstractButton* button)
{
    const int nPos = m_tabButtons.indexOf(button);
    if (nPos < 0)
        return;
    button->setParent(nullptr);
    m_pTabLayout->removeWidget(button);
    m_pButtonGroup->removeButton(button);
    m_tabButtons.removeAt(nPos);
}

void DTTitleBar::addTitleButton(QPushButton*)
{
}

void DTTitleBar::clickHome()
{
    m_pHomeButton->click();
    emit m_pHomeButton->clicked(false);
}

void DTTitleBar::resizeEvent(QResizeEvent*)
{
}

void DTTitleBar::slotHomePageEvent()
{
}

void DTTitleBar::slotCloseTab(QString qsName)
{
    for (int nPos = 0; nPos < m_tabButtons.size(); ++nPos) {
        QAbstractButton* pBtn = m_tabButtons.at(nPos);
        if (pBtn->objectName() != qsName)
            continue;
        // Detached, not deleted: whoever created the tab may still hold it.
        pBtn->setParent(nullptr);
        m_pTabLayout->removeWidget(pBtn);
        m_pButtonGroup->removeButton(pBtn);
        if (m_tabButtons.size() < 2 || nPos == 0) {
            clickHome();
        } else {
            QAbstractButton* pPrev = m_tabButtons.at(nPos - 1);
            pPrev->click();
            emit pPrev->clicked(false);
        }
        m_tabButtons.removeAt(nPos);
        return;
    }
}

void DTTitleBar::slotTabBtnClicked(QAbstractButton* pBtn)
{
    if (!pBtn)
        return;
    pBtn->setCheckable(true);
    pBtn->setChecked(true);
    if (pBtn == m_pHomeButton) {
        m_pHomeButton->setIcon(QIcon(kHomePressIcon));
    } else {
        pBtn->setIcon(QIcon(kCameraPressIcon));
        m_pHomeButton->setIcon(QIcon(kHomeIcon));
    }
    const QList<QAbstractButton*> group = m_pButtonGroup->buttons();
    for (QAbstractButton* pOther : group) {
        if (pOther == pBtn)
            continue;
        pOther->setCheckable(true);
        pOther->setChecked(false);
        if (pOther != m_pHomeButton)
            pOther->setIcon(QIcon(kCameraIcon));
    }
}
