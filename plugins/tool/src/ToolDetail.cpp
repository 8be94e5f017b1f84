#include "ToolDetail.h"

#include "ui_ToolDetail.h"

ToolDetail::ToolDetail(QWidget* parent)
    : QWidget(parent)
    , m_pUi(new Ui::ToolDetail)
{
    m_pUi->setupUi(this);
}

ToolDetail::~ToolDetail()
{
    delete m_pUi;
}
