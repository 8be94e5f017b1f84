#include "ParameterPanel.h"

#include "CapturoLook.h"
#include "SliderRanges.h"
#include "ui_CapturoUI.h"

#include "framework/PluginMessages.h"

#include <QIntValidator>
#include <QKeyEvent>
#include <QListView>
#include <QRegularExpression>
#include <QSignalBlocker>

namespace {

// A whole number within the camera's range. A number outside it, or one with
// decimals (a gain the camera reported, say), can still stand in the edit, so that
// Enter can tell the operator why it is refused instead of the keys simply not working.
class CameraRangeValidator : public QIntValidator
{
public:
    CameraRangeValidator(int nMin, int nMax, QObject* parent)
        : QIntValidator(nMin, nMax, parent)
    {
    }

    State validate(QString& qsInput, int& nPos) const override
    {
        const State state = QIntValidator::validate(qsInput, nPos);
        if (state != Invalid)
            return state;
        static const QRegularExpression number(QStringLiteral("^[+-]?\\d{0,10}(\\.\\d*)?$"));
        return number.match(qsInput).hasMatch() ? Intermediate : Invalid;
    }
};

} // namespace

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
    pCombo->addItem(CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", " 上升沿 ")), QVariant());
    pCombo->addItem(CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", " 下降沿 ")), QVariant());
    pCombo->setCurrentIndex(0);
    pCombo->setView(new QListView());
    // The operator's pick goes to the camera (0 rising, 1 falling edge); a value read
    // from the camera changes the box without being sent back.
    connect(pCombo, QOverload<int>::of(&QComboBox::activated), this,
            [this](int nIndex) { emit signalCommand(MSG_SET_TRIGGER_TYPE, nIndex); });

    ui.radioBtn_Out->setChecked(true);

    for (QLineEdit* pEdit :
         {ui.plainText_Quick, ui.plainText_Gain, ui.plainText_QD, ui.plainText_Trigger_Gap})
        pEdit->installEventFilter(this);
}

QSlider* ParameterPanel::sliderOf(const QLineEdit* pEdit) const
{
    if (pEdit == ui.plainText_Quick)
        return ui.horizontalSlider_Quick;
    if (pEdit == ui.plainText_Gain)
        return ui.horizontalSlider_Gain;
    if (pEdit == ui.plainText_QD)
        return ui.horizontalSlider_QD;
    if (pEdit == ui.plainText_Trigger_Gap)
        return ui.horizontalSlider_Trigger_Gap;
    return nullptr;
}

QString ParameterPanel::nameOf(const QLineEdit* pEdit) const
{
    if (pEdit == ui.plainText_Quick)
        return CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "快门速度"));
    if (pEdit == ui.plainText_Gain)
        return CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "增益"));
    if (pEdit == ui.plainText_QD)
        return CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "去抖时间"));
    return CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "触发间隔"));
}

bool ParameterPanel::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() != QEvent::KeyPress)
        return QObject::eventFilter(pWatched, pEvent);
    const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
    auto* pEdit = qobject_cast<QLineEdit*>(pWatched);
    if (!pEdit || !sliderOf(pEdit) || (nKey != Qt::Key_Return && nKey != Qt::Key_Enter))
        return QObject::eventFilter(pWatched, pEvent);
    // Acceptable input goes on to returnPressed and is sent; anything else would be
    // dropped by the edit without a word.
    if (!pEdit->validator() || pEdit->hasAcceptableInput())
        return false;
    refuseEdit(pEdit);
    return true;
}

void ParameterPanel::refuseEdit(QLineEdit* pEdit)
{
    const QString qsCamera = m_cameraText.value(pEdit, QString::number(sliderOf(pEdit)->value()));
    const QString qsTyped = pEdit->text().trimmed();
    // A value the camera reported (a gain of 3.7, say) is not sent back unchanged.
    if (qsTyped == qsCamera)
        return;
    const auto* pRange = qobject_cast<const QIntValidator*>(pEdit->validator());
    const int nMin = pRange ? pRange->bottom() : sliderOf(pEdit)->minimum();
    const int nMax = pRange ? pRange->top() : sliderOf(pEdit)->maximum();
    bool bWhole = false;
    qsTyped.toLongLong(&bWhole);
    // Short enough for one line of the status list; the box shows the value kept.
    const QString qsText = bWhole
        ? CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "%1 %2 超出范围 %3 - %4"))
              .arg(nameOf(pEdit), qsTyped)
              .arg(nMin)
              .arg(nMax)
        : CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "%1应为 %2 - %3 的整数"))
              .arg(nameOf(pEdit))
              .arg(nMin)
              .arg(nMax);
    pEdit->setText(qsCamera);
    emit signalRefused(qsText);
}

void ParameterPanel::showCameraValue(QSlider* pSlider, QLineEdit* pEdit, int nSliderValue,
                                     const QString& qsText)
{
    // The slider's slot would send the value back to the camera as a setting.
    {
        const QSignalBlocker blocker(pSlider);
        pSlider->setValue(nSliderValue);
    }
    // The edit shows the camera's own value: a slider holds whole numbers only.
    pEdit->setText(qsText);
    m_cameraText.insert(pEdit, qsText);
}

void ParameterPanel::quickSliderChanged(int nValue)
{
    ui.plainText_Quick->setText(QString::number(nValue));
    emit signalCommand(MSG_SET_EXPOSURE, nValue);
    m_cameraText.insert(ui.plainText_Quick, QString::number(nValue));
}

void ParameterPanel::gainSliderChanged(int nValue)
{
    ui.plainText_Gain->setText(QString::number(nValue));
    emit signalCommand(MSG_SET_GAIN, nValue);
    m_cameraText.insert(ui.plainText_Gain, QString::number(nValue));
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
    const int nValue = pEdit->text().toInt();
    emit signalCommand(nMsgId, nValue);
    m_cameraText.insert(pEdit, QString::number(nValue));
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
    const int nOld = pSlider->value();
    {
        // A range that clamps the slider's value must not reach the camera as a
        // setting: the page would overwrite the camera's exposure and gain with the
        // range's bounds before the current values arrive. The edit still follows.
        const QSignalBlocker blocker(pSlider);
        pSlider->setRange(nMin, nMax);
    }
    // A value read from the camera stays as it was unless the range moved it.
    if (pSlider->value() != nOld || pEdit->text().isEmpty()) {
        pEdit->setText(QString::number(pSlider->value()));
        // What the camera held was outside this range: it is not known any more.
        m_cameraText.remove(pEdit);
    }
    const QValidator* pOld = pEdit->validator();
    pEdit->setValidator(new CameraRangeValidator(nMin, nMax, m_pPanel));
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
    // Filling the controls from the camera sends nothing to it.
    showCameraValue(ui.horizontalSlider_Gain, ui.plainText_Gain, truncToInt(params.fGain),
                    QString::number(params.fGain, 'g', 6));
    showCameraValue(ui.horizontalSlider_Quick, ui.plainText_Quick, params.nExposure,
                    QString::number(params.nExposure));
    const bool bExternal = params.nTriggerMode == 0;
    (bExternal ? ui.radioBtn_Out : ui.radioBtn_Inner)->setChecked(true);
    showTriggerRows(bExternal);
    showCameraValue(ui.horizontalSlider_Trigger_Gap, ui.plainText_Trigger_Gap, truncToInt(params.fTriggerGap),
                    QString::number(params.fTriggerGap, 'g', 6));
}

void ParameterPanel::applyDebounce(int nMilliseconds)
{
    showCameraValue(ui.horizontalSlider_QD, ui.plainText_QD, nMilliseconds, QString::number(nMilliseconds));
}

void ParameterPanel::applyTriggerType(int nType)
{
    if (nType >= 0 && nType < ui.comboBox_trigger_type->count())
        ui.comboBox_trigger_type->setCurrentIndex(nType);
}

void ParameterPanel::triggerModeClicked()
{
    const bool bExternal = ui.radioBtn_Out->isChecked();
    ui.horizontalSlider_QD->setEnabled(true);
    ui.plainText_QD->setEnabled(true);
    showTriggerRows(bExternal);
    // The camera follows what the operator picked: 0 external, 1 internal trigger.
    emit signalCommand(MSG_SET_TRIGGER_MODE, bExternal ? 0 : 1);
}

void ParameterPanel::showTriggerRows(bool bExternal)
{
    ui.lbl_capturo_3->setText(bExternal
                                  ? CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "去抖设置(毫秒)"))
                                  : CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "触发间隔(毫秒)")));
    ui.comboBox_trigger_type->setEnabled(bExternal);
    ui.lbl_trigger_type->setVisible(bExternal);
    ui.comboBox_trigger_type->setVisible(bExternal);
    ui.horizontalSlider_Trigger_Gap->setVisible(!bExternal);
    ui.plainText_Trigger_Gap->setVisible(!bExternal);
    ui.horizontalSlider_QD->setVisible(bExternal);
    ui.plainText_QD->setVisible(bExternal);
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
