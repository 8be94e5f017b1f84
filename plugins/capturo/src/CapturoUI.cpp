#include "CapturoUI.h"

#include "CapturoLook.h"
#include "DTGraphicsScene.h"
#include "FrameSaver.h"
#include "ImageView.h"
#include "ViewOptions.h"
#include "LocalFolderLoader.h"
#include "ParameterPanel.h"
#include "SourceSwitch.h"
#include "ui_CapturoUI.h"

#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

const char* const CapturoUI::kSavingSwitchedOffText = QT_TRANSLATE_NOOP("CapturoUI",
                                                                        "选择本地文件后保存图片已关闭");
const char* const CapturoUI::kNotSavingText = QT_TRANSLATE_NOOP(
    "CapturoUI", "相机帧现在不保存，请在图像保存设置中打开保存图片");
const char* const CapturoUI::kFramesHiddenText = QT_TRANSLATE_NOOP("CapturoUI",
                                                                   "本地文件为数据来源时不显示相机帧");

static void initCapturoResources()
{
    Q_INIT_RESOURCE(capturo_core_icons);
}

CapturoUI::CapturoUI(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , ui(new Ui::CapturoUI)
{
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    initCapturoResources();
    ui->setupUi(this);

    const CapturoLook::ScrollBars bars = CapturoLook::apply(*ui, this);
    m_pViewHScrollBar = bars.pViewH;
    m_pViewVScrollBar = bars.pViewV;
    m_pResultScrollBar = bars.pResult;
    m_pImageListScrollBar = bars.pImageList;

    m_pParams = new ParameterPanel(*ui, this);
    m_pStrip = std::make_unique<ThumbnailStrip>(ui->listWidget_Image);
    m_pResults = std::make_unique<ResultList>(ui->listWidget_ShowResult);
    addResult(QStringLiteral("Init"), false);
    m_pSource = new SourceSwitch(ui->toolBtn_Camera, ui->toolBtn_LocalFile, this);
    m_pSaver = std::make_unique<FrameSaver>(this, ui->horizontalLayout);
    m_pView = new ImageView(ui->graphicsView_Image, ui->lbl_imageResult, this);
    m_pOptions = new ViewOptions(ui->graphicsView_Image, this);
    connect(m_pView, &ImageView::signalDisplayed, m_pOptions, &ViewOptions::slotImageShown);
    m_pLoader = new LocalFolderLoader(this);

    m_pSourceGroup = m_pSource->group();
    m_pImageSetting = m_pSaver->imageSetting();
    m_pSaveSettingBtn = m_pSaver->button();

    connectControls();
}

CapturoUI::~CapturoUI()
{
    // No image of a folder may arrive at a page half torn down.
    delete m_pLoader;
    // The scene goes before the view it is shown in.
    delete m_pView;
    m_pSaver.reset();
    delete ui;
}

ImageSetting* CapturoUI::imageSetting() const
{
    return m_pImageSetting;
}

QString CapturoUI::saveDir() const
{
    return m_pSaver->saveDir();
}

DTGraphicsScene* CapturoUI::currentScene() const
{
    return m_pView->currentScene();
}

void CapturoUI::setFolderChooser(ImageSetting::FolderChooser chooser)
{
    m_pSource->setFolderChooser(std::move(chooser));
}

void CapturoUI::connectControls()
{
    connect(m_pParams, &ParameterPanel::signalCommand, this, &CapturoUI::sendCommand);
    connect(m_pImageSetting, &ImageSetting::signalSettingsChanged, this, &CapturoUI::sendSaveSettings);
    connect(m_pLoader, &LocalFolderLoader::signalThumbnail, this, [this](int, QImage icon, QString qsName) {
        // In video mode local images are shown, not listed, as camera frames.
        if (!ui->checkBox_Video->isChecked())
            m_pStrip->add(QPixmap::fromImage(icon), qsName);
    });
    connect(m_pLoader, &LocalFolderLoader::signalLastImage, this,
            [this](QImage image, QString) { m_pView->display(QPixmap::fromImage(image), true); });
    connect(m_pLoader, &LocalFolderLoader::signalRefused, this,
            [this](QString qsStatus) { addResult(qsStatus, false); });
    connect(m_pParams, &ParameterPanel::signalRefused, this, [this](const QString& qsText) {
        addResult(qsText, false);
        m_pResults->showNewest();
    });
    connect(m_pView, SIGNAL(signalItemInfo(QColor, double, double)), this,
            SLOT(slotGetPos(QColor, double, double)));
    connect(m_pOptions, &ViewOptions::signalKeepZoomToggled, m_pView, &ImageView::setKeepZoom);
    connect(m_pImageSetting, &ImageSetting::signalSettingsChanged, this, [this] {
        if (m_pImageSetting->isSaveEnabled())
            m_bSavingStoppedByLocalFiles = false;
    });

    connect(ui->checkBox_Video, SIGNAL(stateChanged(int)), this, SLOT(slotVideoChanged(int)));
    connect(ui->toolBtn_Camera, SIGNAL(clicked()), this, SLOT(slotOpenCamera()));
    connect(ui->toolBtn_LocalFile, SIGNAL(clicked()), this, SLOT(slotOpenLocalFile()));
    connect(ui->radioBtn_Out, SIGNAL(clicked()), this, SLOT(slotTriggerMode()));
    connect(ui->radioBtn_Inner, SIGNAL(clicked()), this, SLOT(slotTriggerMode()));
    connect(ui->listWidget_Image, SIGNAL(itemClicked(QListWidgetItem*)), this,
            SLOT(slotImageItemClicked(QListWidgetItem*)));
    connect(ui->horizontalSlider_Quick, SIGNAL(valueChanged(int)), this, SLOT(slotQuickSliderChange(int)));
    connect(ui->horizontalSlider_QD, SIGNAL(valueChanged(int)), this, SLOT(slotQDSliderChange(int)));
    connect(ui->horizontalSlider_Trigger_Gap, SIGNAL(valueChanged(int)), this,
            SLOT(slotTriggerGapSliderChange(int)));
    connect(ui->horizontalSlider_Gain, SIGNAL(valueChanged(int)), this, SLOT(slotGainSliderChange(int)));
    connect(ui->plainText_Gain, SIGNAL(returnPressed()), this, SLOT(slotEditGain()));
    connect(ui->plainText_QD, SIGNAL(returnPressed()), this, SLOT(slotEditQD()));
    connect(ui->plainText_Quick, SIGNAL(returnPressed()), this, SLOT(slotEditQuick()));
    connect(ui->plainText_Trigger_Gap, SIGNAL(returnPressed()), this, SLOT(slotEditTrigger_Gap()));
}

void CapturoUI::sendSaveSettings()
{
    const bool bActive = !ui->checkBox_Video->isChecked() && !m_pSource->isLocalFile();
    emit signalSendSignal(m_pSaver->settingsRecord(bActive));
}

void CapturoUI::sendCommand(int nMsgId, const QVariant& varData)
{
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = nMsgId;
    if (varData.isValid())
        plt.varData = varData;
    emit signalSendSignal(plt);
}

// ---- result list ---------------------------------------------------------------

void CapturoUI::addResult(QString text, bool success)
{
    m_pResults->add(text, success);
}

void CapturoUI::addReason(const QString& qsReason)
{
    m_pResults->addReason(qsReason);
}

// ---- camera parameters ---------------------------------------------------------

void CapturoUI::slotQuickSliderChange(int nSlider)
{
    m_pParams->quickSliderChanged(nSlider);
}

void CapturoUI::slotGainSliderChange(int nValue)
{
    m_pParams->gainSliderChanged(nValue);
}

void CapturoUI::slotQDSliderChange(int nValue)
{
    m_pParams->qdSliderChanged(nValue);
}

void CapturoUI::slotTriggerGapSliderChange(int nValue)
{
    m_pParams->triggerGapSliderChanged(nValue);
}

void CapturoUI::slotEditGain()
{
    m_pParams->editGainConfirmed();
}

void CapturoUI::slotEditQD()
{
    m_pParams->editQDConfirmed();
}

void CapturoUI::slotEditQuick()
{
    m_pParams->editQuickConfirmed();
}

void CapturoUI::slotEditTrigger_Gap()
{
    m_pParams->editTriggerGapConfirmed();
}

void CapturoUI::applyCameraInfo(const CameraInfo& info)
{
    m_pParams->applyCameraInfo(info);
}

void CapturoUI::applyCameraParams(const CameraParams& params)
{
    m_pParams->applyCameraParams(params);
}

void CapturoUI::applyTriggerType(int nType)
{
    m_pParams->applyTriggerType(nType);
}

void CapturoUI::applyDebounce(int nMilliseconds)
{
    m_pParams->applyDebounce(nMilliseconds);
}

void CapturoUI::slotTriggerMode()
{
    m_pParams->triggerModeClicked();
}

void CapturoUI::setCameraControlsEnabled(bool bEnabled)
{
    m_pParams->setCameraControlsEnabled(bEnabled);
    m_pSaveSettingBtn->setEnabled(bEnabled);
}

void CapturoUI::slotVideoChanged(int nState)
{
    const bool bOn = nState == Qt::Checked;
    // Saving stops before video frames come and resumes only once they stop.
    if (bOn)
        sendSaveSettings();
    m_pParams->videoChanged(bOn);
    if (!bOn)
        sendSaveSettings();
    // Frames are not saved in video mode, so its settings are out of reach.
    m_pSaveSettingBtn->setEnabled(!bOn);
    emit signalVideoModeChanged(bOn);
}

// ---- data source -----------------------------------------------------------------

void CapturoUI::slotOpenCamera()
{
    m_pLoader->cancel();
    m_pStrip->clear();
    m_pParams->enterCameraSource();
    m_pSaveSettingBtn->setEnabled(true);
    m_bToldFramesHidden = false;
    // Saving stays off after the local files; the operator is told, not left to
    // find out from a folder that stopped growing.
    if (m_bSavingStoppedByLocalFiles && !m_pImageSetting->isSaveEnabled())
        addResult(tr(kNotSavingText), false);
    m_bSavingStoppedByLocalFiles = false;
}

void CapturoUI::slotOpenLocalFile()
{
    m_pStrip->clear();
    m_pParams->enterLocalFileSource();
    m_pSaveSettingBtn->setEnabled(false);
    m_bToldFramesHidden = false;
    // The switch goes off with saving, so coming back to the camera never shows it on
    // while nothing is saved.
    if (m_pImageSetting->isSaveEnabled()) {
        m_pImageSetting->setSaveEnabled(false);
        m_bSavingStoppedByLocalFiles = true;
        addResult(tr(kSavingSwitchedOffText), false);
    }
    sendSaveSettings();

    m_pLoader->cancel();
    const QString qsFolder = m_pSource->chooseFolder();
    if (qsFolder.isEmpty())
        return;
    // Thumbnails come in folder order as they are decoded; the last image ends up shown, fitted.
    m_pLoader->load(qsFolder);
}

// ---- image view ------------------------------------------------------------------

void CapturoUI::slotExpand()
{
    m_pView->zoomIn();
}

void CapturoUI::slotNarrow()
{
    m_pView->zoomOut();
}

void CapturoUI::slotFitIn()
{
    m_pView->fit();
}

void CapturoUI::slotRotate()
{
    m_pView->rotate();
}

void CapturoUI::slotGetPos(QColor color, double x, double y)
{
    m_pView->showReadOut(color, x, y);
}

// ---- image list and saving ---------------------------------------------------------

// Camera frames are saved by the service off the GUI thread, and listed when it
// reports the file written (addSavedFrame): the list holds exactly the saved frames.
void CapturoUI::showImage(QPixmap pixmap, QString name)
{
    const bool bLocalFile = m_pSource->isLocalFile();
    if (!bLocalFile)
        name = m_pSaver->cameraFrameName(name);
    m_pView->display(pixmap, true);
    if (bLocalFile && !ui->checkBox_Video->isChecked())
        m_pStrip->add(pixmap, name);
}

void CapturoUI::addSavedFrame(const QPixmap& icon, const QString& qsName)
{
    // The strip lists the folder's images while local files are shown.
    if (!m_pSource->isLocalFile())
        m_pStrip->add(icon, qsName);
}

bool CapturoUI::showCameraFrame(QPixmap pixmap, QString key)
{
    // Acquisition goes on while the operator browses a folder; its frames would
    // replace the browsed image and fill the list with entries of no file.
    if (m_pSource->isLocalFile()) {
        // Once a visit: the picture stands still while the camera runs on.
        if (!m_bToldFramesHidden) {
            m_bToldFramesHidden = true;
            addResult(tr(kFramesHiddenText), false);
        }
        return false;
    }
    showImage(pixmap, key);
    return true;
}

void CapturoUI::slotImageItemClicked(QListWidgetItem* pItem)
{
    // The file on disk is the source: the strip keeps only icon-sized copies.
    const QString qsFile = ThumbnailStrip::fileOf(pItem, m_pSaver->imageFormat());
    if (qsFile.isEmpty())
        return;
    QString qsStatus;
    const QImage image = LocalFolderLoader::read(qsFile, QSize(), &qsStatus);
    if (image.isNull())
        addResult(qsStatus, false);
    else
        m_pView->display(QPixmap::fromImage(image), false);
}

void CapturoUI::slotShowPreviousImage()
{
    if (QListWidgetItem* pItem = m_pStrip->select(m_pStrip->previousRow()))
        slotImageItemClicked(pItem);
}

void CapturoUI::slotShowNextImage()
{
    if (QListWidgetItem* pItem = m_pStrip->select(m_pStrip->nextRow()))
        slotImageItemClicked(pItem);
}
