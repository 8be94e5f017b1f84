#include "ParameterPanel.h"

#include "CapturoLook.h"
#include "SliderRanges.h"
#include "ui_CapturoUI.h"

#include "framework/PluginMessages.h"

#include <QIntValidator>
#include <QListView>
#include <QSignalBlocker>


ParameterPanel::ParameterPanel(Ui::CapturoUI& form, QWidget* pPanel)
    : QObject(pPanel)
    , ui(form)
    , m_pPanel(pPanel)
{
    ui.horizontalSlider_Trigger_Gap->hide();
    ui.plainText_Trigger_Gap->hide();
    ui.horizontalSlider_QD->show();
    ui.plainText_QD->show();

    QComboBox* pCombo = ui.comboBox_trigger_type;
    pCombo->addItem(CapturoLook::text(" 上升沿 "), QVariant());
    pCombo->addItem(CapturoLook::text(" 下降沿 "), QVariant());
    pCombo->setCurrentIndex(0);
    pCombo->setView(new QListView());

    ui.radioBtn_Out->setChecked(true);
}

void ParameterPanel::quickSliderChanged(int nValue)
{
    ui.plainText_Quick->setText(QString::number(nValue));
    emit signalCommand(MSG_SET_EXPOSURE, nValue);
}

void ParameterPanel::gainSliderChanged(int nValue)
{
    ui.plainText_Gain->setText(QString::number(nValue));
    emit signalCommand(MSG_SET_GAIN, nValue);
}

void ParameterPanel::qdSliderChanged(int nValue)
{
    ui.plainText_QD->setText(QString::number(nValue));
}

void ParameterPanel::triggerGapSliderChanged(int nValue)
{
    ui.plainText_Trigger_Gap->setText(QString::number(nValue));
}

void ParameterPanel::confirmEdit(QLineEdit* pEdit, QSlider* pSlider, int nMsgId)
{
    if (pEdit->text().trimmed().isEmpty())
        pEdit->setText(QString::number(pSlider->minimum()));
    // Moving the slider may run its slot first, which rewrites the edit with the
    // clamped value; the command carries the text as it stands afterwards.
    pSlider->setValue(pEdit->text().toInt());
    emit signalCommand(nMsgId, pEdit->text().toInt());
}

void ParameterPanel::editGainConfirmed()
{
    confirmEdit(ui.plainText_Gain, ui.horizontalSlider_Gain, MSG_SET_GAIN);
}

void ParameterPanel::editQDConfirmed()
{
    confirmEdit(ui.plainText_QD, ui.horizontalSlider_QD, MSG_SET_DEBOUNCE);
}

void ParameterPanel::editQuickConfirmed()
{
    confirmEdit(ui.plainText_Quick, ui.horizontalSlider_Quick, MSG_SET_EXPOSURE);
}

void ParameterPanel::editTriggerGapConfirmed()
{
    confirmEdit(ui.plainText_Trigger_Gap, ui.horizontalSlider_Trigger_Gap, MSG_SET_TRIGGER_GAP);
}

void ParameterPanel::setRange(QSlider* pSlider, QLineEdit* pEdit, int nMin, int nMax)
{
    {
        // A range that clamps the slider's value must not reach the camera as a
        // setting: the page would overwrite the camera's exposure and gain with the
        // range's bounds before the current values arrive. The edit still follows.
        const QSignalBlocker blocker(pSlider);
        pSlider->setRange(nMin, nMax);
    }
    pEdit->setText(QString::number(pSlider->value()));
    const QValidator* pOld = pEdit->validator();
    pEdit->setValidator(new QIntValidator(nMin, nMax, m_pPanel));
    // A later reply replaces the ranges; the validator it replaces is ours to free.
    if (pOld && pOld->parent() == m_pPanel)
        delete pOld;
}

void ParameterPanel::applyCameraInfo(const CameraInfo& info)
{
    const SliderRanges ranges = SliderRanges::fromInfo(info);
    setRange(ui.horizontalSlider_Quick, ui.plainText_Quick, ranges.exposure.nMin, ranges.exposure.nMax);
    setRange(ui.horizontalSlider_Gain, ui.plainText_Gain, ranges.gain.nMin, ranges.gain.nMax);
    setRange(ui.horizontalSlider_QD, ui.plainText_QD, ranges.debounce.nMin, ranges.debounce.nMax);
    setRange(ui.horizontalSlider_Trigger_Gap, ui.plainText_Trigger_Gap, ranges.triggerGap.nMin,
             ranges.triggerGap.nMax);
}

void ParameterPanel::applyCameraParams(const CameraParams& params)
{
    ui.horizontalSlider_Gain->setValue(truncToInt(params.fGain));
    ui.horizontalSlider_Quick->setValue(params.nExposure);
    ui.radioBtn_Out->setChecked(params.nTriggerMode == 0);
    ui.horizontalSlider_Trigger_Gap->setValue(truncToInt(params.fTriggerGap));
    ui.plainText_Trigger_Gap->setText(QString::number(params.fTriggerGap, 'g', 6));
}

void ParameterPanel::triggerModeClicked()
{
    const bool bExternal = ui.radioBtn_Out->isChecked();
    ui.lbl_capturo_3->setText(bExternal ? CapturoLook::text("去抖设置(毫秒)") : CapturoLook::text("触发间隔(毫秒)"));
    ui.horizontalSlider_QD->setEnabled(true);
    ui.plainText_QD->setEnabled(true);
    ui.comboBox_trigger_type->setEnabled(bExternal);
    ui.lbl_trigger_type->setVisible(bExternal);
    ui.comboBox_trigger_type->setVisible(bExternal);
    ui.horizontalSlider_Trigger_Gap->setVisible(!bExternal);
    ui.plainText_Trigger_Gap->setVisible(!bExternal);
    ui.horizontalSlider_QD->setVisible(bExternal);
    ui.plainText_QD->setVisible(bExternal);
    // The camera follows what the operator picked: 0 external, 1 internal trigger.
    emit signalCommand(MSG_SET_TRIGGER_MODE, bExternal ? 0 : 1);
}

void ParameterPanel::setCameraControlsEnabled(bool bEnabled)
{
    for (QWidget* pWidget : std::initializer_list<QWidget*>{
             ui.horizontalSlider_QD, ui.plainText_QD, ui.horizontalSlider_Gain, ui.plainText_Gain,
             ui.horizontalSlider_Quick, ui.plainText_Quick, ui.radioBtn_Out, ui.radioBtn_Inner})
        pWidget->setEnabled(bEnabled);
}

void ParameterPanel::videoChanged(bool bOn)
{
    if (bOn) {
        emit signalCommand(MSG_VIDEO_MODE_ON, QVariant());
        ui.radioBtn_Out->setEnabled(false);
        ui.radioBtn_Inner->setEnabled(false);
    } else {
        emit signalCommand(MSG_VIDEO_MODE_OFF, QVariant());
        setCameraControlsEnabled(true);
    }
}

void ParameterPanel::enterCameraSource()
{
    ui.checkBox_Video->setEnabled(true);
    setCameraControlsEnabled(true);
}

void ParameterPanel::enterLocalFileSource()
{
    ui.checkBox_Video->setEnabled(false);
    setCameraControlsEnabled(false);
    ui.plainText_Trigger_Gap->setEnabled(false);
    ui.horizontalSlider_Trigger_Gap->setEnabled(false);
}
