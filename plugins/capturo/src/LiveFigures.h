#pragma once

#include "AcquisitionFigures.h"

#include <QElapsedTimer>
#include <QJsonObject>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QTimer>

// The acquisition figures in the window's status bar: switched on and off from the
// image view's menu, fed by the service's totals and by the frames the page shows.
// While off it counts nothing and asks the service for nothing.
class LiveFigures : public QObject
{
    Q_OBJECT
public:
    static constexpr int RefreshMs = 500;

    explicit LiveFigures(QObject* parent = nullptr);
    ~LiveFigures() override;

    bool isOn() const { return m_bOn; }
    // The label for the status bar; the bar adopts it when it is first placed.
    QLabel* label() const { return m_pLabel; }

    void setOn(bool bOn);
    // Another camera's figures follow: rates start over from its next totals.
    void restart();
    void addTotals(const QJsonObject& totals);
    void frameShown();

signals:
    // Wanted from the service, or no more.
    void signalRequest(bool bOn);
    // Once, when first switched on: the label goes into the status bar.
    void signalPlaceLabel(QWidget* pLabel);

private:
    void refresh();

    AcquisitionFigures m_figures;
    QPointer<QLabel> m_pLabel;
    QTimer m_refresh;
    QElapsedTimer m_clock;
    bool m_bOn = false;
    bool m_bPlaced = false;
};
