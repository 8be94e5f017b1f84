#pragma once

#include <QWidget>

namespace Ui {
class ToolDetail;
}

// Detail form of one tool; its content is added by the tool it shows.
class ToolDetail : public QWidget
{
    Q_OBJECT
public:
    explicit ToolDetail(QWidget* parent = nullptr);
    ~ToolDetail() override;

private:
    Ui::ToolDetail* m_pUi = nullptr;
};
