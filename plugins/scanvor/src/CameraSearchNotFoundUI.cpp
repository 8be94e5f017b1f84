#include "CameraSearchNotFoundUI.h"

#include "ui_CameraSearchNotFoundUI.h"

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
}

CameraSearchNotFoundUI::~CameraSearchNotFoundUI()
{
    delete m_pUi;
}

void CameraSearchNotFoundUI::slotBtnClicked()
{
    emit signalResearch();
}
