#include "CameraSearchNotFoundUI.h"

#include "SearchState.h"
#include "ui_CameraSearchNotFoundUI.h"

#include <QLabel>
#include <QVBoxLayout>

CameraSearchNotFoundUI::CameraSearchNotFoundUI(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , m_pUi(new Ui::CameraSearchNotFoundUI)
{
    m_pUi->setupUi(this);
    // The form carries the label and button styles; only the font size is set here,
    // since Designer stores point sizes and the page is laid out in pixels.
    QFont font = m_pUi->lbl_NotFound->font();
    font.setPixelSize(14);
    m_pUi->lbl_NotFound->setFont(font);
    connect(m_pUi->btn_Research, SIGNAL(clicked()), this, SLOT(slotBtnClicked()));

    // Added under the page's text, in its colour and font; empty and hidden by default.
    m_pReason = new QLabel;
    m_pReason->setObjectName("lbl_Reason");
    m_pReason->setStyleSheet(m_pUi->lbl_NotFound->styleSheet());
    m_pReason->setFont(font);
    m_pReason->setAlignment(Qt::AlignCenter);
    m_pReason->setWordWrap(true);
    m_pReason->hide();
    auto* pLayout = qobject_cast<QVBoxLayout*>(layout());
    const int nTextRow = pLayout->indexOf(m_pUi->horizontalLayout_Text);
    pLayout->insertWidget(nTextRow + 1, m_pReason);
}

void CameraSearchNotFoundUI::setReason(const SearchState& state)
{
    QString qsReason;
    if (state.isTimedOut())
        qsReason = tr("视觉服务没有在 10 秒内给出相机列表");
    else if (!state.lastAnswer().strError.isEmpty())
        qsReason = tr("无法连接视觉核心：%1").arg(state.lastAnswer().strError);
    m_pReason->setText(qsReason);
    m_pReason->setVisible(!qsReason.isEmpty());
}

QString CameraSearchNotFoundUI::reason() const
{
    return m_pReason->text();
}

CameraSearchNotFoundUI::~CameraSearchNotFoundUI()
{
    delete m_pUi;
}

void CameraSearchNotFoundUI::slotBtnClicked()
{
    emit signalResearch();
}
