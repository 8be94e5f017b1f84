#include "CameraSearchUI.h"

#include "CameraListView.h"
#include "ui_CameraSearchUI.h"

#include <QTimer>
#include <QVBoxLayout>

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

    m_pHoldTimer = new QTimer(this);
    m_pHoldTimer->setSingleShot(true);
    m_pHoldTimer->setInterval(kHoldMs);
    connect(m_pHoldTimer, &QTimer::timeout, this, [this]() { apply(m_state.holdExpired()); });

    // The list is an addition below the bar; the form's rows stay as they are.
    m_pList = new CameraListView;
    m_pList->hide();
    connect(m_pList, &CameraListView::signalOpenCamera, this, &CameraSearchUI::signalOpenCamera);
    auto* pLayout = qobject_cast<QVBoxLayout*>(layout());
    pLayout->insertSpacing(pLayout->count() - 1, 24);
    pLayout->insertWidget(pLayout->count() - 1, m_pList, 0, Qt::AlignHCenter);
}

CameraSearchUI::~CameraSearchUI()
{
    delete m_pUi;
}

void CameraSearchUI::restartSearch()
{
    m_state.start();
    m_bNotFoundReported = false;
    m_pHoldTimer->stop();
    m_pList->hide();
    m_pUi->progressBar_Search->setValue(kStartValue);
    m_pTimer->start();
}

void CameraSearchUI::acknowledge()
{
    m_state.acknowledge();
}

void CameraSearchUI::setAnswer(const CameraAnswer& answer)
{
    apply(m_state.answer(answer));
}

void CameraSearchUI::setCameraState(const QString& strId, const QString& strState)
{
    m_state.setCameraState(strId, strState);
    m_pList->setCameraState(strId, strState);
}

void CameraSearchUI::apply(SearchState::Outcome outcome)
{
    switch (outcome) {
    case SearchState::Outcome::Wait: break;
    case SearchState::Outcome::Hold: m_pHoldTimer->start(); break;
    case SearchState::Outcome::Found:
        m_pHoldTimer->stop();
        m_bNotFoundReported = true;
        m_pList->setCameras(m_state.lastAnswer().cameras);
        m_pList->show();
        break;
    case SearchState::Outcome::NotFound:
        m_pHoldTimer->stop();
        if (!m_bNotFoundReported)
            emit signalNotFound();
        break;
    }
}

bool CameraSearchUI::isFinished() const
{
    return !m_pTimer->isActive() && m_pUi->progressBar_Search->value() == kEndValue;
}

void CameraSearchUI::slotValueChanged(int nPos)
{
    if (nPos == kEndValue && !m_bNotFoundReported)
        apply(m_state.barFull());
}

void CameraSearchUI::slotTimeDoing()
{
    QProgressBar* pBar = m_pUi->progressBar_Search;
    if (pBar->value() == kEndValue)
        m_pTimer->stop();
    // Past the maximum the bar ignores the value and stays full.
    pBar->setValue(pBar->value() + 1);
}
