#pragma once

#include "CameraInfoType.h"
#include "CameraParams.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

class QLineEdit;
class QWidget;
class QSlider;

namespace Ui {
class CapturoUI;
}

// The camera settings of the page: four slider and edit pairs (exposure, gain,
// debounce, trigger interval), trigger mode, trigger type and video mode. Operator
// input becomes signalCommand; camera replies fill the controls without sending
// anything back. Input outside the camera's range is refused with signalRefused and
// the edit goes back to the camera's value.
class ParameterPanel : public QObject
{
    Q_OBJECT
public:
    // pPanel is the form's widget; it parents this object and the edits' validators.
    ParameterPanel(Ui::CapturoUI& ui, QWidget* pPanel);

    void applyCameraInfo(const CameraInfo& info);
    void applyCameraParams(const CameraParams& params);
    void applyDebounce(int nMilliseconds);
    // 0 rising edge, 1 falling edge; nothing is sent.
    void applyTriggerType(int nType);

    void quickSliderChanged(int nValue);
    void gainSliderChanged(int nValue);
    void qdSliderChanged(int nValue);
    void triggerGapSliderChanged(int nValue);
    void editQuickConfirmed();
    void editGainConfirmed();
    void editQDConfirmed();
    void editTriggerGapConfirmed();

    void triggerModeClicked();
    // Sends video mode on or off; on locks the trigger choice, off unlocks the controls.
    void videoChanged(bool bOn);

    // Debounce, gain and exposure pairs and both trigger radio buttons.
    void setCameraControlsEnabled(bool bEnabled);
    // The local-file source: no camera to set, no video mode.
    void enterLocalFileSource();
    void enterCameraSource();

signals:
    void signalCommand(int nMsgId, QVariant varData);
    // A status line for the operator: the input was refused, and why.
    void signalRefused(QString qsText);

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void confirmEdit(QLineEdit* pEdit, QSlider* pSlider, int nMsgId);
    void setRange(QSlider* pSlider, QLineEdit* pEdit, int nMin, int nMax);
    // Slider and edit show a value read from the camera; nothing is sent.
    void showCameraValue(QSlider* pSlider, QLineEdit* pEdit, int nSliderValue, const QString& qsText);
    // Label, rows and trigger type of the chosen trigger mode.
    void showTriggerRows(bool bExternal);
    // Enter on text the edit's range does not accept: say so, show the camera's value.
    void refuseEdit(QLineEdit* pEdit);
    QSlider* sliderOf(const QLineEdit* pEdit) const;
    QString nameOf(const QLineEdit* pEdit) const;

    Ui::CapturoUI& ui;
    QWidget* m_pPanel;
    // Per edit, the text of the value the camera is known to hold: from its replies
    // and from what the operator last sent.
    QHash<const QLineEdit*, QString> m_cameraText;
};
