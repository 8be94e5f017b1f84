#include "tool_position.h"

#include "ui_tool_position.h"

tool_position::tool_position(QWidget* parent)
    : QWidget(parent)
    , m_pUi(new Ui::tool_position)
{
    m_pUi->setupUi(this);
}

tool_position::~tool_position()
{
    delete m_pUi;
}
