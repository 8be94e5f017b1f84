#pragma once

#include <QWidget>

class QTimer;
namespace Ui {
class CameraSearchUI;
}

// The search page: a progress bar that climbs from 80 to 100 in 50 ms steps and
// reports signalNotFound when it gets there.
class CameraSearchUI : public QWidget
{
    Q_OBJECT
public:
    explicit CameraSearchUI(QWidget* parent = nullptr);
    ~CameraSearchUI() override;

    // Bar back to its starting value and the timer running again.
    void restartSearch();
    // True once the bar has reached its end and the timer has stopped.
    bool isFinished() const;

signals:
    void signalNotFound();

public slots:
    void slotValueChanged(int nPos);
    void slotTimeDoing();

private:
    Ui::CameraSearchUI* m_pUi = nullptr;
    QTimer* m_pTimer = nullptr;
    // Would be set by a search that finds a camera; nothing finds one yet.
    bool m_bNotFoundReported = false;
};
