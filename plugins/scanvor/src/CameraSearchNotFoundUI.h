#pragma once

#include <QWidget>

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

signals:
    void signalResearch();

public slots:
    void slotBtnClicked();

private:
    Ui::CameraSearchNotFoundUI* m_pUi = nullptr;
};
