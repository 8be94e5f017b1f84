#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

class QHBoxLayout;
class QPushButton;

// The camera page's 50-pixel bar; plugins put their tool buttons into it, centred.
class DTToolBar : public QWidget
{
    Q_OBJECT
public:
    explicit DTToolBar(QWidget* parent = nullptr);

    // The text is accepted for symmetry with other bars but not shown.
    void addButton(QString text, QIcon icon, QPushButton* button, Qt::Alignment align);
    void addSeparator();

    QList<QPushButton*> buttons() const { return m_buttons; }

private:
    QHBoxLayout* m_pMainLayout = nullptr;
    QHBoxLayout* m_pButtonLayout = nullptr;
    QList<QPushButton*> m_buttons;
};
