#pragma once

#include <QWidget>

namespace Ui {
class tool_position;
}

// Parameter form of the position tool: enable, name, search and feature ranges.
class tool_position : public QWidget
{
    Q_OBJECT
public:
    explicit tool_position(QWidget* parent = nullptr);
    ~tool_position() override;

private:
    Ui::tool_position* m_pUi = nullptr;
};
