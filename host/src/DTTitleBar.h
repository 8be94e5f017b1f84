#pragma once

#include <QIcon>
#include <QList>
#include <QSize>
#include <QWidget>

class DTButton;
class QAbstractButton;
class QButtonGroup;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QToolButton;

// The frameless window's 44-pixel title bar: logo, title, home button, a row of
// closable tabs and the minimise, maximise and close buttons. Home and tabs form one
// exclusive group whose icons follow the checked button.
class DTTitleBar : public QWidget
{
    Q_OBJECT
public:
    // pMainWindow receives the window buttons (slotMinEvent, slotMaxEvent,
    // slotCloseEvent, slotHomePageEvent); the bar itself is created without a parent.
    explicit DTTitleBar(QWidget* pMainWindow = nullptr);

    void setTitle(QString qsTitle);
    void setLogo(QIcon icon);
    void setHomeIcon(QIcon normal, QIcon hover, QIcon pressed, QSize iconSize);
    void setWindowButtonIcons(QIcon min, QIcon max, QIcon close, QIcon minHover, QIcon maxHover,
                              QIcon closeHover, QIcon minPressed, QIcon maxPressed, QIcon closePressed);
    void addTabButton(QAbstractButton* button, bool bNeedClose);
    // Takes a tab out of the bar without showing another (the bar does not delete it).
    void removeTabButton(QAbstractButton* button);
    void addTitleButton(QPushButton* pBtn);
    void clickHome();

    DTButton* homeButton() const { return m_pHomeButton; }
    DTButton* minButton() const { return m_pMinButton; }
    DTButton* maxButton() const { return m_pMaxButton; }
    DTButton* closeButton() const { return m_pCloseButton; }
    QList<QAbstractButton*> tabButtons() const { return m_tabButtons; }
    QButtonGroup* buttonGroup() const { return m_pButtonGroup; }

public slots:
    void resizeEvent(QResizeEvent* event) override;
    void slotHomePageEvent();
    void slotCloseTab(QString qsName);
    void slotTabBtnClicked(QAbstractButton* pBtn);

private:
    QWidget* m_pMainWindow = nullptr;
    QLabel* m_pTitleLabel = nullptr;
    QToolButton* m_pLogoButton = nullptr;
    DTButton* m_pHomeButton = nullptr;
    DTButton* m_pMinButton = nullptr;
    DTButton* m_pMaxButton = nullptr;
    DTButton* m_pCloseButton = nullptr;
    QHBoxLayout* m_pMainLayout = nullptr;
    QHBoxLayout* m_pTabLayout = nullptr;
    QList<QAbstractButton*> m_tabButtons;
    QButtonGroup* m_pButtonGroup = nullptr;
};
