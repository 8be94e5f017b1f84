#include "ToolManage.h"

#include "ui_ToolManage.h"

#include <QButtonGroup>

ToolManage::ToolManage(QWidget* parent)
    : QWidget(parent)
    , m_pUi(new Ui::ToolManage)
    , m_pButtonGroup(new QButtonGroup)
{
    m_pUi->setupUi(this);
}

ToolManage::~ToolManage()
{
    // The group has no parent, so the form releases it itself.
    delete m_pButtonGroup;
    delete m_pUi;
}
