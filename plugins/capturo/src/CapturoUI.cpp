#include "CapturoUI.h"

#include "CameraRanges.h"
#include "CapturoStyle.h"
#include "DTGraphicsScene.h"
#include "ui_CapturoUI.h"

#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QIntValidator>
#include <QListView>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStandardPaths>

#include <climits>

static void initCapturoResources()
{
    Q_INIT_RESOURCE(capturo_core_icons);
}

namespace {
QFont yaHei(int nPixelSize)
{
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(nPixelSize);
    return font;
}

// A thumbnail holds only what its 70x70 icon shows, never the full frame. Large
// frames are first halved cheaply, then smoothed, which costs a fraction of a smooth
// scale from full size and looks the same at icon size.
QPixmap makeThumbnail(const QPixmap& pixmap)
{
    const QSize target(CapturoUI::ThumbnailSize, CapturoUI::ThumbnailSize);
    if (pixmap.isNull() || (pixmap.width() <= target.width() && pixmap.height() <= target.height()))
        return pixmap;
    QPixmap source = pixmap;
    if (source.width() > 4 * target.width() || source.height() > 4 * target.height())
        source = source.scaled(target * 2, Qt::KeepAspectRatio, Qt::FastTransformation);
    return source.scaled(target, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QString otherExtension(const QString& qsFormat)
{
    return qsFormat == QLatin1String(".bmp") ? QStringLiteral(".jpg") : QStringLiteral(".bmp");
}
}

CapturoUI::CapturoUI(QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
    , ui(new Ui::CapturoUI)
    , m_folderChooser(ImageSetting::askForFolder)
{
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    initCapturoResources();
    ui->setupUi(this);

    setStyleSheet(CapturoStyle::kPanel);
    setupStyles();

    ui->horizontalSlider_Trigger_Gap->hide();
    ui->plainText_Trigger_Gap->hide();
    ui->horizontalSlider_QD->show();
    ui->plainText_QD->show();
    m_strSaveDir = QStringLiteral(".//Logs");

    setupImageList();
    ui->groupBox_Config->setTitle(QString());
    ui->groupBox_Config->setStyleSheet(CapturoStyle::kConfigGroup);
    ui->groupBox_Result->setTitle(QString());
    ui->groupBox_Result->setStyleSheet(CapturoStyle::kResultGroup);

    ui->toolBtn_Camera->setIcon(QIcon(QStringLiteral(":/resources/camera.png")));
    ui->toolBtn_LocalFile->setIcon(QIcon(QStringLiteral(":/resources/folders.png")));
    for (QToolButton* pBtn : {ui->toolBtn_Camera, ui->toolBtn_LocalFile}) {
        pBtn->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        pBtn->setFixedSize(77, 70);
        pBtn->setFont(yaHei(12));
        // Large enough to read above the caption; the style's default is smaller.
        pBtn->setIconSize(QSize(24, 24));
    }

    for (QFrame* pLine : {ui->line_2, ui->line_3, ui->line_4})
        pLine->setStyleSheet(CapturoStyle::kGroupLine);
    for (QWidget* pWidget : std::initializer_list<QWidget*>{
             ui->lbl_video, ui->lbl_video_2, ui->lbl_video_3, ui->lbl_capturo_2, ui->lbl_capturo_3, ui->plainText_Quick,
             ui->plainText_Gain, ui->plainText_QD, ui->plainText_Trigger_Gap, ui->radioBtn_Out, ui->radioBtn_Inner})
        pWidget->setFont(yaHei(12));
    ui->plainText_Quick->setStyleSheet(CapturoStyle::kQuickEdit);
    for (QLineEdit* pEdit : {ui->plainText_Gain, ui->plainText_QD, ui->plainText_Trigger_Gap})
        pEdit->setStyleSheet(CapturoStyle::kEdit);
    ui->radioBtn_Out->setStyleSheet(CapturoStyle::kRadio);
    ui->radioBtn_Inner->setStyleSheet(CapturoStyle::kRadio);
    for (QWidget* pWidget : std::initializer_list<QWidget*>{
             ui->checkBox_Video, ui->horizontalSlider_Quick, ui->horizontalSlider_Gain, ui->horizontalSlider_QD,
             ui->horizontalSlider_Trigger_Gap})
        pWidget->setStyleSheet(CapturoStyle::kControlBackground);

    setupSettingsScroll();

    setupResultList();
    addResult(QStringLiteral("Init"), false);
    setupTriggerType();

    m_pSourceGroup = new QButtonGroup(this);
    m_pSourceGroup->setExclusive(true);
    ui->toolBtn_Camera->setCheckable(true);
    ui->toolBtn_LocalFile->setCheckable(true);
    m_pSourceGroup->addButton(ui->toolBtn_Camera);
    m_pSourceGroup->addButton(ui->toolBtn_LocalFile);
    ui->toolBtn_Camera->setChecked(true);
    ui->radioBtn_Out->setChecked(true);

    setupSaveSettings();
    connectControls();
}

CapturoUI::~CapturoUI()
{
    // The pop-up is a top-level window of its own; it goes with the panel.
    delete m_pImageSetting;
    delete m_pScene;
    delete ui;
}

void CapturoUI::setupStyles()
{
    m_pViewHScrollBar = new QScrollBar(Qt::Horizontal);
    m_pViewHScrollBar->setStyleSheet(CapturoStyle::kViewScrollH);
    m_pViewVScrollBar = new QScrollBar(Qt::Vertical);
    m_pViewVScrollBar->setStyleSheet(CapturoStyle::kScrollV);
    m_pResultScrollBar = new QScrollBar(Qt::Vertical);
    m_pResultScrollBar->setStyleSheet(CapturoStyle::kScrollV);
    m_pImageListScrollBar = new QScrollBar(Qt::Horizontal);
    m_pImageListScrollBar->setStyleSheet(CapturoStyle::kImageListScrollH);
    ui->graphicsView_Image->setHorizontalScrollBar(m_pViewHScrollBar);
    ui->graphicsView_Image->setVerticalScrollBar(m_pViewVScrollBar);
    ui->listWidget_ShowResult->setVerticalScrollBar(m_pResultScrollBar);
    ui->listWidget_Image->setHorizontalScrollBar(m_pImageListScrollBar);

    ui->lbl_imageResult->setFixedHeight(33);
    ui->lbl_imageResult->setStyleSheet(CapturoStyle::kReadOut);
    ui->lbl_imageResult->setFont(yaHei(14));

    ui->btn_ImageList->setText(tr("图像列表"));
    ui->btn_ImageList->setIcon(QIcon(QStringLiteral(":/resources/imagelist.png")));
    ui->btn_ImageList->setFlat(true);
    ui->btn_ImageList->setStyleSheet(CapturoStyle::kImageListButton);
    ui->btn_ImageList->setFont(yaHei(14));
    ui->btn_ImageList->setFixedSize(84, 22);

    ui->btn_ImageSetting->setText(tr("图像保存设置"));
    ui->btn_ImageSetting->setFlat(true);
    ui->btn_ImageSetting->setStyleSheet(CapturoStyle::kSaveSettingButton);
    ui->btn_ImageSetting->setFont(yaHei(14));
    ui->btn_ImageSetting->setFixedSize(84, 22);
    ui->btn_ImageSetting->hide();

    ui->graphicsView_Image->setStyleSheet(CapturoStyle::kView);
    ui->line->setLineWidth(5);
    ui->line->setStyleSheet(CapturoStyle::kSeparator);
}

void CapturoUI::setupImageList()
{
    QListWidget* pList = ui->listWidget_Image;
    pList->setViewMode(QListView::ListMode);
    pList->setFlow(QListView::LeftToRight);
    pList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pList->setSpacing(12);
    pList->setStyleSheet(CapturoStyle::kImageList);
    pList->setFixedHeight(110);
    pList->setIconSize(QSize(ThumbnailSize, ThumbnailSize));
    // Every thumbnail has the same icon box and no text: lay the strip out in constant
    // time instead of measuring thousands of items after each frame.
    pList->setUniformItemSizes(true);
}

void CapturoUI::setupSettingsScroll()
{
    // The settings sit at fixed places in their group, which needs its full
    // height: room for them, its 15 px bottom margin and a little air. A low
    // screen (800 px) cannot give it that above the results, so the group
    // scrolls there instead of sliding under the results.
    QGroupBox* pConfig = ui->groupBox_Config;
    pConfig->setMinimumHeight(qMax(pConfig->minimumHeight(), pConfig->childrenRect().bottom() + 1 + 15 + 8));
    auto* pScroll = new QScrollArea(this);
    pScroll->setObjectName(QStringLiteral("scrollArea_Config"));
    pScroll->setFrameShape(QFrame::NoFrame);
    pScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pScroll->setWidgetResizable(true);
    pScroll->setStyleSheet(CapturoStyle::kScrollV);
    pScroll->viewport()->setAutoFillBackground(false);
    const int nIndex = ui->verticalLayout_3->indexOf(pConfig);
    ui->verticalLayout_3->removeWidget(pConfig);
    pScroll->setWidget(pConfig);
    // The group's own width plus the bar's, so that the bar never covers a setting.
    pScroll->setFixedWidth(pConfig->maximumWidth() + pScroll->verticalScrollBar()->sizeHint().width());
    ui->verticalLayout_3->insertWidget(nIndex, pScroll);
}

void CapturoUI::setupResultList()
{
    QListWidget* pList = ui->listWidget_ShowResult;
    pList->setViewMode(QListView::ListMode);
    pList->setFlow(QListView::TopToBottom);
    pList->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    pList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    pList->setSpacing(9);
    pList->setStyleSheet(CapturoStyle::kResultList);
    // One status line per frame: without uniform sizes every new line re-measures
    // all lines kept (up to the bound), which slowed the page down as the list filled.
    // Every line is one icon and one short text, narrower than the list.
    pList->setUniformItemSizes(true);
}

void CapturoUI::setupTriggerType()
{
    QComboBox* pCombo = ui->comboBox_trigger_type;
    pCombo->setFixedHeight(32);
    pCombo->addItem(tr(" 上升沿 "), QVariant());
    pCombo->addItem(tr(" 下降沿 "), QVariant());
    pCombo->setCurrentIndex(0);
    pCombo->setView(new QListView());
}

void CapturoUI::setupSaveSettings()
{
    m_pImageSetting = new ImageSetting();
    m_pImageSetting->hide();

    const QString qsDefault =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/" + "kelvora" + "/images";
    if (!QDir(qsDefault).exists())
        QDir().mkpath(qsDefault);
    m_pImageSetting->setSavePath(qsDefault);

    m_pSaveSettingBtn = new DTButton(this);
    m_pSaveSettingBtn->setText(tr("图像保存设置"));
    m_pSaveSettingBtn->setObjectName(QStringLiteral("btn_Save_ImageSetting"));
    m_pSaveSettingBtn->setFlat(true);
    m_pSaveSettingBtn->setStyleSheet(CapturoStyle::kSaveSettingButton);
    m_pSaveSettingBtn->setFont(yaHei(14));
    m_pSaveSettingBtn->setFixedSize(84, 22);
    ui->horizontalLayout->addWidget(m_pSaveSettingBtn);
    m_pSaveSettingBtn->setHoverPopup(m_pImageSetting);
}

void CapturoUI::connectControls()
{
    connect(ui->checkBox_Video, SIGNAL(stateChanged(int)), this, SLOT(slotVideoChanged(int)));
    connect(ui->toolBtn_Camera, SIGNAL(clicked()), this, SLOT(slotOpenCamera()));
    connect(ui->toolBtn_LocalFile, SIGNAL(clicked()), this, SLOT(slotOpenLocalFile()));
    connect(ui->radioBtn_Out, SIGNAL(clicked()), this, SLOT(slotTriggerMode()));
    connect(ui->radioBtn_Inner, SIGNAL(clicked()), this, SLOT(slotTriggerMode()));
    connect(ui->listWidget_Image, SIGNAL(itemClicked(QListWidgetItem*)), this,
            SLOT(slotImageItemClicked(QListWidgetItem*)));
    connect(ui->horizontalSlider_Quick, SIGNAL(valueChanged(int)), this, SLOT(slotQuickSliderChange(int)));
    connect(ui->horizontalSlider_QD, SIGNAL(valueChanged(int)), this, SLOT(slotQDSliderChange(int)));
    connect(ui->horizontalSlider_Trigger_Gap, SIGNAL(valueChanged(int)), this, SLOT(slotTriggerGapSliderChange(int)));
    connect(ui->horizontalSlider_Gain, SIGNAL(valueChanged(int)), this, SLOT(slotGainSliderChange(int)));
    connect(ui->plainText_Gain, SIGNAL(returnPressed()), this, SLOT(slotEditGain()));
    connect(ui->plainText_QD, SIGNAL(returnPressed()), this, SLOT(slotEditQD()));
    connect(ui->plainText_Quick, SIGNAL(returnPressed()), this, SLOT(slotEditQuick()));
    connect(ui->plainText_Trigger_Gap, SIGNAL(returnPressed()), this, SLOT(slotEditTrigger_Gap()));
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
    // One shared icon per state: a fresh QIcon per line would cache its own pixmap.
    static const QIcon iconSuccess(QStringLiteral(":/resources/success.png"));
    static const QIcon iconError(QStringLiteral(":/resources/error.png"));
    auto* pItem = new QListWidgetItem(success ? iconSuccess : iconError, text);
    pItem->setForeground(success ? QColor(255, 255, 255) : QColor(238, 70, 59));
    QListWidget* pList = ui->listWidget_ShowResult;
    pList->addItem(pItem);
    while (pList->count() > MaxResults)
        delete pList->takeItem(0);
}

// ---- camera parameters ---------------------------------------------------------

void CapturoUI::slotQuickSliderChange(int nSlider)
{
    ui->plainText_Quick->setText(QString::number(nSlider));
    sendCommand(MSG_SET_EXPOSURE, nSlider);
}

void CapturoUI::slotGainSliderChange(int nValue)
{
    ui->plainText_Gain->setText(QString::number(nValue));
    sendCommand(MSG_SET_GAIN, nValue);
}

void CapturoUI::slotQDSliderChange(int nValue)
{
    ui->plainText_QD->setText(QString::number(nValue));
}

void CapturoUI::slotTriggerGapSliderChange(int nValue)
{
    ui->plainText_Trigger_Gap->setText(QString::number(nValue));
}

void CapturoUI::confirmEdit(QLineEdit* pEdit, QSlider* pSlider, int nMsgId)
{
    if (pEdit->text().trimmed().isEmpty())
        pEdit->setText(QString::number(pSlider->minimum()));
    // Moving the slider may run its slot first, which rewrites the edit with the
    // clamped value; the command carries the text as it stands afterwards.
    pSlider->setValue(pEdit->text().toInt());
    sendCommand(nMsgId, pEdit->text().toInt());
}

void CapturoUI::slotEditGain()
{
    confirmEdit(ui->plainText_Gain, ui->horizontalSlider_Gain, MSG_SET_GAIN);
}

void CapturoUI::slotEditQD()
{
    confirmEdit(ui->plainText_QD, ui->horizontalSlider_QD, MSG_SET_DEBOUNCE);
}

void CapturoUI::slotEditQuick()
{
    confirmEdit(ui->plainText_Quick, ui->horizontalSlider_Quick, MSG_SET_EXPOSURE);
}

void CapturoUI::slotEditTrigger_Gap()
{
    confirmEdit(ui->plainText_Trigger_Gap, ui->horizontalSlider_Trigger_Gap, MSG_SET_TRIGGER_GAP);
}

void CapturoUI::setRange(QSlider* pSlider, QLineEdit* pEdit, int nMin, int nMax)
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
    pEdit->setValidator(new QIntValidator(nMin, nMax, this));
    // A later reply replaces the ranges; the validator it replaces is ours to free.
    if (pOld && pOld->parent() == this)
        delete pOld;
}

void CapturoUI::applyCameraInfo(const CameraInfo& info)
{
    const CameraRanges ranges = CameraRanges::fromInfo(info);
    const auto toSliderInt = [](quint32 nValue) { return static_cast<int>(qMin<quint32>(nValue, INT_MAX)); };
    setRange(ui->horizontalSlider_Quick, ui->plainText_Quick, toSliderInt(ranges.nExposureMin),
             toSliderInt(ranges.nExposureMax));
    setRange(ui->horizontalSlider_Gain, ui->plainText_Gain, truncToInt(ranges.fGainMin), truncToInt(ranges.fGainMax));
    setRange(ui->horizontalSlider_QD, ui->plainText_QD, ranges.nDebounceMin, ranges.nDebounceMax);
    setRange(ui->horizontalSlider_Trigger_Gap, ui->plainText_Trigger_Gap, truncToInt(ranges.fGapMin),
             truncToInt(ranges.fGapMax));
}

void CapturoUI::applyCameraParams(const CameraParams& params)
{
    ui->horizontalSlider_Gain->setValue(truncToInt(params.fGain));
    ui->horizontalSlider_Quick->setValue(params.nExposure);
    ui->radioBtn_Out->setChecked(params.nTriggerMode == 0);
    ui->horizontalSlider_Trigger_Gap->setValue(truncToInt(params.fTriggerGap));
    ui->plainText_Trigger_Gap->setText(QString::number(params.fTriggerGap, 'g', 6));
}

void CapturoUI::slotTriggerMode()
{
    const bool bExternal = ui->radioBtn_Out->isChecked();
    ui->lbl_capturo_3->setText(bExternal ? tr("去抖设置(毫秒)") : tr("触发间隔(毫秒)"));
    ui->horizontalSlider_QD->setEnabled(true);
    ui->plainText_QD->setEnabled(true);
    ui->comboBox_trigger_type->setEnabled(bExternal);
    ui->lbl_trigger_type->setVisible(bExternal);
    ui->comboBox_trigger_type->setVisible(bExternal);
    ui->horizontalSlider_Trigger_Gap->setVisible(!bExternal);
    ui->plainText_Trigger_Gap->setVisible(!bExternal);
    ui->horizontalSlider_QD->setVisible(bExternal);
    ui->plainText_QD->setVisible(bExternal);
    // The camera follows what the operator picked: 0 external, 1 internal trigger.
    sendCommand(MSG_SET_TRIGGER_MODE, bExternal ? 0 : 1);
}

void CapturoUI::setCameraControlsEnabled(bool bEnabled)
{
    for (QWidget* pWidget : std::initializer_list<QWidget*>{
             ui->horizontalSlider_QD, ui->plainText_QD, ui->horizontalSlider_Gain, ui->plainText_Gain,
             ui->horizontalSlider_Quick, ui->plainText_Quick, ui->radioBtn_Out, ui->radioBtn_Inner, m_pSaveSettingBtn})
        pWidget->setEnabled(bEnabled);
}

void CapturoUI::slotVideoChanged(int nState)
{
    if (nState == Qt::Checked) {
        sendCommand(MSG_VIDEO_MODE_ON);
        ui->radioBtn_Out->setEnabled(false);
        ui->radioBtn_Inner->setEnabled(false);
        m_pSaveSettingBtn->setEnabled(false);
    } else {
        sendCommand(MSG_VIDEO_MODE_OFF);
        setCameraControlsEnabled(true);
    }
}

// ---- data source -----------------------------------------------------------------

void CapturoUI::slotOpenCamera()
{
    ui->listWidget_Image->clear();
    ui->checkBox_Video->setEnabled(true);
    setCameraControlsEnabled(true);
}

void CapturoUI::slotOpenLocalFile()
{
    ui->listWidget_Image->clear();
    ui->checkBox_Video->setEnabled(false);
    setCameraControlsEnabled(false);
    ui->plainText_Trigger_Gap->setEnabled(false);
    ui->horizontalSlider_Trigger_Gap->setEnabled(false);
    m_pImageSetting->setSaveEnabled(false);

    const QString qsFolder = m_folderChooser ? m_folderChooser(tr("选择图片文件夹路径")) : QString();
    if (qsFolder.isEmpty())
        return;

    const QFileInfoList entries =
        QDir(qsFolder).entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (!entry.isFile())
            continue;
        const QString qsPath = entry.filePath();
        if (!qsPath.endsWith(QLatin1String(".bmp")) && !qsPath.endsWith(QLatin1String(".jpg")))
            continue;
        // Only the extension goes: a folder such as "run.bmp/" stays part of the name,
        // so the thumbnail finds its file again.
        showImage(QPixmap(qsPath), qsPath.left(qsPath.size() - 4));
    }
}

// ---- image view ------------------------------------------------------------------

void CapturoUI::displayPixmap(const QPixmap& pixmap, bool bFit)
{
    auto* pScene = new DTGraphicsScene();
    pScene->addPixmap(pixmap);
    connect(pScene, SIGNAL(signalItemInfo(QColor, double, double)), this, SLOT(slotGetPos(QColor, double, double)));
    QGraphicsView* pView = ui->graphicsView_Image;
    pView->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    pView->setScene(pScene);
    // The replaced scene holds the previous frame and is shown nowhere any more.
    delete m_pScene;
    m_pScene = pScene;
    if (bFit) {
        const QRectF bounds = pScene->itemsBoundingRect();
        pView->ensureVisible(bounds, 50, 50);
        pView->fitInView(bounds, Qt::KeepAspectRatio);
    }
    pScene->update();
    pView->update();
    pView->show();
}

void CapturoUI::zoom(double dFactor)
{
    QGraphicsView* pView = ui->graphicsView_Image;
    if (!pView->scene())
        return;
    pView->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    QTransform transform = pView->transform();
    transform.scale(dFactor, dFactor);
    const double dScale = transform.mapRect(QRectF(0, 0, 1, 1)).width();
    if (dScale < 0.25 || dScale > 4.0)
        return;
    pView->scale(dFactor, dFactor);
    pView->scene()->update();
    pView->update();
}

void CapturoUI::slotExpand()
{
    zoom(1.2);
}

void CapturoUI::slotNarrow()
{
    zoom(0.8);
}

void CapturoUI::slotFitIn()
{
    QGraphicsView* pView = ui->graphicsView_Image;
    if (!pView->scene())
        return;
    const QRectF bounds = pView->scene()->itemsBoundingRect();
    pView->ensureVisible(bounds, 50, 50);
    pView->fitInView(bounds, Qt::KeepAspectRatio);
}

void CapturoUI::slotRotate()
{
    QGraphicsView* pView = ui->graphicsView_Image;
    if (!pView->scene())
        return;
    pView->setTransformationAnchor(QGraphicsView::AnchorUnderMouse);
    pView->rotate(90);
    pView->scene()->update();
    pView->update();
}

void CapturoUI::slotGetPos(QColor color, double x, double y)
{
    ui->lbl_imageResult->setText(QStringLiteral("x:%1 , y:%2     R:%3 G:%4 B:%5")
                                     .arg(QString::number(x, 'g', 6))
                                     .arg(QString::number(y, 'g', 6))
                                     .arg(color.red())
                                     .arg(color.green())
                                     .arg(color.blue()));
}

// ---- image list and saving ---------------------------------------------------------

void CapturoUI::showImage(QPixmap pixmap, QString name)
{
    const bool bLocalFile = ui->toolBtn_LocalFile->isChecked();
    if (!bLocalFile) {
        const QString qsSavePath = m_pImageSetting->savePath();
        if (!qsSavePath.isEmpty())
            m_strSaveDir = qsSavePath;
        name = m_strSaveDir + "//" + name;
    }
    const bool bVideo = ui->checkBox_Video->isChecked();
    const bool bSave = m_pImageSetting->isSaveEnabled();
    if (!bVideo && bSave)
        pixmap.save(name + m_pImageSetting->imageFormat());

    displayPixmap(pixmap, true);

    if (!bVideo && (bSave || bLocalFile)) {
        QListWidget* pList = ui->listWidget_Image;
        pList->setIconSize(QSize(ThumbnailSize, ThumbnailSize));
        auto* pItem = new QListWidgetItem(QIcon(makeThumbnail(pixmap)), QString());
        pItem->setToolTip(name);
        pList->addItem(pItem);
        while (pList->count() > MaxThumbnails)
            delete pList->takeItem(0);
    }
}

void CapturoUI::slotImageItemClicked(QListWidgetItem* pItem)
{
    if (!pItem)
        return;
    const QString qsBase = pItem->toolTip();
    if (qsBase.isEmpty())
        return;
    // The file on disk is the source: the strip keeps only icon-sized copies.
    const QString qsFormat = m_pImageSetting->imageFormat();
    for (const QString& qsExt : {qsFormat, otherExtension(qsFormat)}) {
        const QString qsFile = qsBase + qsExt;
        if (QFileInfo::exists(qsFile)) {
            displayPixmap(QPixmap(qsFile), false);
            return;
        }
    }
}

void CapturoUI::showListedImage(int nRow)
{
    QListWidget* pList = ui->listWidget_Image;
    if (nRow < 0 || nRow >= pList->count())
        return;
    pList->setCurrentRow(nRow);
    pList->scrollToItem(pList->item(nRow));
    slotImageItemClicked(pList->item(nRow));
}

void CapturoUI::slotShowPreviousImage()
{
    // Without a current thumbnail, "back" starts from the newest one.
    const int nCurrent = ui->listWidget_Image->currentRow();
    showListedImage(nCurrent < 0 ? ui->listWidget_Image->count() - 1 : nCurrent - 1);
}

void CapturoUI::slotShowNextImage()
{
    const int nCurrent = ui->listWidget_Image->currentRow();
    if (nCurrent >= 0)
        showListedImage(nCurrent + 1);
}
