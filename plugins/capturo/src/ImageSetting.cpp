#include "ImageSetting.h"

#include "CapturoStyle.h"
#include "FolderDialog.h"
#include "ui_ImageSetting.h"


ImageSetting::ImageSetting(QWidget*)
    : QWidget(nullptr, Qt::FramelessWindowHint)
    , ui(new Ui::ImageSetting)
    , m_folderChooser(askForFolder)
{
    setAttribute(Qt::WA_StyledBackground, true);
    setStyleSheet("background-color: rgb(61, 60, 64); font: 12px; color: #EAEAEA;");
    ui->setupUi(this);

    ui->btn_SaveFile->setStyleSheet("border: 0px; background-color:rgb(61, 60, 64);");
    ui->btn_SaveFile->setFlat(true);
    ui->checkBox->setChecked(false);
    ui->checkBox->setStyleSheet(CapturoStyle::kSwitch);

    connect(ui->checkBox, SIGNAL(stateChanged(int)), this, SLOT(slotStateChanged(int)));
    connect(ui->btn_SaveFile, SIGNAL(clicked()), this, SLOT(slotSaveFolder()));
    connect(ui->radio_NG, SIGNAL(clicked()), this, SLOT(slotRadioSave()));
    connect(ui->radio_All, SIGNAL(clicked()), this, SLOT(slotRadioSave()));
    connect(ui->radio_Bmp, SIGNAL(clicked()), this, SLOT(slotRadioSaveFormat()));
    connect(ui->radio_Jpg, SIGNAL(clicked()), this, SLOT(slotRadioSaveFormat()));

    m_typeGroup.setExclusive(true);
    m_typeGroup.addButton(ui->radio_NG);
    m_typeGroup.addButton(ui->radio_All);
    m_formatGroup.setExclusive(true);
    m_formatGroup.addButton(ui->radio_Bmp);
    m_formatGroup.addButton(ui->radio_Jpg);
    ui->radio_Bmp->setChecked(true);
    ui->radio_All->setChecked(true);

    setControlsEnabled(false);
}

QString ImageSetting::askForFolder(const QString& qsCaption)
{
    return FolderDialog::choose(qsCaption);
}

ImageSetting::~ImageSetting()
{
    delete ui;
}

void ImageSetting::setSavePath(QString qsPath)
{
    m_strSavePath = qsPath;
    ui->plainText_SavePath->setText(qsPath);
}

void ImageSetting::setSaveEnabled(bool bEnabled)
{
    // The switch's own slot updates the flag; a switch already in place changes nothing.
    ui->checkBox->setChecked(bEnabled);
    if (m_bSaveImage != bEnabled)
        slotStateChanged(0);
}

QString ImageSetting::imageType() const
{
    return ui->radio_NG->isChecked() ? QStringLiteral("ng") : QStringLiteral("all");
}

void ImageSetting::slotStateChanged(int)
{
    m_bSaveImage = ui->checkBox->isChecked();
    setControlsEnabled(m_bSaveImage);
    emit signalSettingsChanged();
}

void ImageSetting::slotSaveFolder()
{
    const QString qsFolder = m_folderChooser ? m_folderChooser(tr("选择保存Bmp文件夹路径")) : QString();
    if (qsFolder.isEmpty())
        return;
    setSavePath(qsFolder);
    emit signalSettingsChanged();
    // The dialog took the pointer away; bring the pop-up back where it was.
    show();
}

void ImageSetting::setControlsEnabled(bool bEnabled)
{
    const QList<QWidget*> controls = {ui->btn_SaveFile, ui->plainText_SavePath, ui->radio_NG,
                                      ui->radio_All,    ui->radio_Bmp,          ui->radio_Jpg};
    for (QWidget* pWidget : controls)
        pWidget->setEnabled(bEnabled);
}

void ImageSetting::slotRadioSave()
{
    // Frames carry no verdict that saving could select on; the choice goes to the
    // service with the other settings.
    emit signalSettingsChanged();
}

void ImageSetting::slotRadioSaveFormat()
{
    m_strImageFormat = ui->radio_Bmp->isChecked() ? QStringLiteral(".bmp") : QStringLiteral(".jpg");
    emit signalSettingsChanged();
}

void ImageSetting::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    hide();
}
