#pragma once

#include <QWidget>

class QButtonGroup;
namespace Ui {
class ToolManage;
}

// Tool list form: a row layout for the tool buttons and the group that keeps one checked.
class ToolManage : public QWidget
{
    Q_OBJECT
public:
    explicit ToolManage(QWidget* parent = nullptr);
    ~ToolManage() override;

    QButtonGroup* buttonGroup() const { return m_pButtonGroup; }

private:
    Ui::ToolManage* m_pUi = nullptr;
    QButtonGroup* m_pButtonGroup = nullptr;
};
