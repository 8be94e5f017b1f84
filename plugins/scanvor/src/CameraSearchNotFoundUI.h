#pragma once

#include <QWidget>

class QLabel;
class SearchState;
namespace Ui {
class CameraSearchNotFoundUI;
}

// The page shown when a search ends without a camera; "重新搜索" asks for another.
class CameraSearchNotFoundUI : public QWidget
{
    Q_OBJECT
public:
    explicit CameraSearchNotFoundUI(QWidget* parent = nullptr);
    ~CameraSearchNotFoundUI() override;

    // A line under the page's text saying why no camera was found, when there is a
    // reason beyond none being there: the core not reached, or no answer in time.
    void setReason(const SearchState& state);
    QString reason() const;

signals:
    void signalResearch();

public slots:
    void slotBtnClicked();

private:
    Ui::CameraSearchNotFoundUI* m_pUi = nullptr;
    QLabel* m_pReason = nullptr;
};
