#include "CameraSearchUI.h"

#include "ui_CameraSearchUI.h"

#include <QTimer>

namespace {
const int kStartValue = 80;
const int kEndValue = 100;
const int kTickMs = 50;

const char* const kLabelStyle = "color: rgba(255, 255, 255, 1);";
const char* const kBarStyle =
    "QProgressBar {border-radius: 4px; background: rgba(78, 76, 76, 1);}"
    "QProgressBar::chunk{ background-color: rgba(19, 201, 179, 1); border-radius: 4px;}";
} // namespace

CameraSearchUI::CameraSearchUI(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , m_pUi(new Ui::CameraSearchUI)
{
    m_pUi->setupUi(this);
    m_pUi->lbl_search->setStyleSheet(kLabelStyle);
    QFont font("Microsoft YaHei");
    font.setPixelSize(14);
    m_pUi->lbl_search->setFont(font);
    m_pUi->progressBar_Search->setStyleSheet(kBarStyle);
    m_pUi->progressBar_Search->setTextVisible(false);
    m_pUi->progressBar_Search->setValue(kStartValue);

    connect(m_pUi->progressBar_Search, SIGNAL(valueChanged(int)), this, SLOT(slotValueChanged(int)));

    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kTickMs);
    connect(m_pTimer, SIGNAL(timeout()), this, SLOT(slotTimeDoing()));
    m_pTimer->start();
}

CameraSearchUI::~CameraSearchUI()
{
    delete m_pUi;
}

void CameraSearchUI::restartSearch()
{
    m_pUi->progressBar_Search->setValue(kStartValue);
    m_pTimer->start();
}

bool CameraSearchUI::isFinished() const
{
    return !m_pTimer->isActive() && m_pUi->progressBar_Search->value() == kEndValue;
}

void CameraSearchUI::slotValueChanged(int nPos)
{
    if (nPos == kEndValue && !m_bNotFoundReported)
        emit signalNotFound();
}

void CameraSearchUI::slotTimeDoing()
{
    QProgressBar* pBar = m_pUi->progressBar_Search;
    if (pBar->value() == kEndValue)
        m_pTimer->stop();
    // Past the maximum the bar ignores the value and stays full.
    pBar->setValue(pBar->value() + 1);
}
