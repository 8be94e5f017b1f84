#pragma once

#include "SearchState.h"

#include <QWidget>

class CameraListView;
class QTimer;
namespace Ui {
class CameraSearchUI;
}

// The search page: a progress bar that climbs from 80 to 100 in 50 ms steps. When the
// service acknowledged the list request the full bar waits for its answer (at most
// kHoldMs); the cameras found are listed below the bar, otherwise signalNotFound.
class CameraSearchUI : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kHoldMs = 10000;

    explicit CameraSearchUI(QWidget* parent = nullptr);
    ~CameraSearchUI() override;

    // Bar back to its starting value and the timer running again; a new search.
    void restartSearch();
    // True once the bar has reached its end and the timer has stopped.
    bool isFinished() const;

    void acknowledge();
    void setAnswer(const CameraAnswer& answer);
    const SearchState& state() const { return m_state; }
    CameraListView* cameraList() const { return m_pList; }
    // The list's row and the answer still waiting to be shown.
    void setCameraState(const QString& strId, const QString& strState);
    QTimer* holdTimer() const { return m_pHoldTimer; }

signals:
    void signalNotFound();
    void signalOpenCamera(QString strId);

public slots:
    void slotValueChanged(int nPos);
    void slotTimeDoing();

private:
    void apply(SearchState::Outcome outcome);

    Ui::CameraSearchUI* m_pUi = nullptr;
    QTimer* m_pTimer = nullptr;
    QTimer* m_pHoldTimer = nullptr;
    CameraListView* m_pList = nullptr;
    SearchState m_state;
    // Set once a search found cameras: the full bar then reports nothing.
    bool m_bNotFoundReported = false;
};
