#pragma once

#include "CameraInfoType.h"
#include "CameraParams.h"

#include <QObject>
#include <QVariant>

class QLineEdit;
class QWidget;
class QSlider;

namespace Ui {
class CapturoUI;
}

// The camera settings of the page: four slider and edit pairs (exposure, gain,
// debounce, trigger interval), trigger mode, trigger type and video mode. Operator
// input becomes signalCommand; camera replies fill the controls.
class ParameterPanel : public QObject
{
    Q_OBJECT
public:
    // pPanel is the form's widget; it parents this object and the edits' validators.
    ParameterPanel(Ui::CapturoUI& ui, QWidget* pPanel);

    void applyCameraInfo(const CameraInfo& info);
    void applyCameraParams(const CameraParams& params);

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

private:
    void confirmEdit(QLineEdit* pEdit, QSlider* pSlider, int nMsgId);
    void setRange(QSlider* pSlider, QLineEdit* pEdit, int nMin, int nMax);

    Ui::CapturoUI& ui;
    QWidget* m_pPanel;
};
