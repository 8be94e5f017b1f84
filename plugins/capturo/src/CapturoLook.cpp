#include "CapturoLook.h"

#include "CapturoStyle.h"
#include "ui_CapturoUI.h"

#include <QCoreApplication>
#include <QScrollArea>
#include <QScrollBar>

namespace CapturoLook {

QFont yaHei(int nPixelSize)
{
    QFont font(QStringLiteral("Microsoft YaHei"));
    font.setPixelSize(nPixelSize);
    return font;
}

QString text(const char* pText)
{
    return QCoreApplication::translate("CapturoUI", pText);
}

namespace {

ScrollBars styleViewAndHeader(Ui::CapturoUI& ui)
{
    ScrollBars bars;
    bars.pViewH = new QScrollBar(Qt::Horizontal);
    bars.pViewH->setStyleSheet(CapturoStyle::kViewScrollH);
    bars.pViewV = new QScrollBar(Qt::Vertical);
    bars.pViewV->setStyleSheet(CapturoStyle::kScrollV);
    bars.pResult = new QScrollBar(Qt::Vertical);
    bars.pResult->setStyleSheet(CapturoStyle::kScrollV);
    bars.pImageList = new QScrollBar(Qt::Horizontal);
    bars.pImageList->setStyleSheet(CapturoStyle::kImageListScrollH);
    ui.graphicsView_Image->setHorizontalScrollBar(bars.pViewH);
    ui.graphicsView_Image->setVerticalScrollBar(bars.pViewV);
    ui.listWidget_ShowResult->setVerticalScrollBar(bars.pResult);
    ui.listWidget_Image->setHorizontalScrollBar(bars.pImageList);

    ui.lbl_imageResult->setFixedHeight(33);
    ui.lbl_imageResult->setStyleSheet(CapturoStyle::kReadOut);
    ui.lbl_imageResult->setFont(yaHei(14));

    ui.btn_ImageList->setText(text(QT_TRANSLATE_NOOP("CapturoUI", "图像列表")));
    ui.btn_ImageList->setIcon(QIcon(QStringLiteral(":/resources/imagelist.png")));
    ui.btn_ImageList->setFlat(true);
    ui.btn_ImageList->setStyleSheet(CapturoStyle::kImageListButton);
    ui.btn_ImageList->setFont(yaHei(14));
    ui.btn_ImageList->setFixedSize(84, 22);

    // Replaced by the save-settings button with its hover pop-up.
    ui.btn_ImageSetting->setText(text(QT_TRANSLATE_NOOP("CapturoUI", "图像保存设置")));
    ui.btn_ImageSetting->setFlat(true);
    ui.btn_ImageSetting->setStyleSheet(CapturoStyle::kSaveSettingButton);
    ui.btn_ImageSetting->setFont(yaHei(14));
    ui.btn_ImageSetting->setFixedSize(84, 22);
    ui.btn_ImageSetting->hide();

    ui.graphicsView_Image->setStyleSheet(CapturoStyle::kView);
    ui.line->setLineWidth(5);
    ui.line->setStyleSheet(CapturoStyle::kSeparator);
    return bars;
}

void styleSettings(Ui::CapturoUI& ui)
{
    ui.groupBox_Config->setTitle(QString());
    ui.groupBox_Config->setStyleSheet(CapturoStyle::kConfigGroup);
    ui.groupBox_Result->setTitle(QString());
    ui.groupBox_Result->setStyleSheet(CapturoStyle::kResultGroup);

    ui.toolBtn_Camera->setIcon(QIcon(QStringLiteral(":/resources/camera.png")));
    ui.toolBtn_LocalFile->setIcon(QIcon(QStringLiteral(":/resources/folders.png")));
    for (QToolButton* pBtn : {ui.toolBtn_Camera, ui.toolBtn_LocalFile}) {
        pBtn->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        pBtn->setFixedSize(77, 70);
        pBtn->setFont(yaHei(12));
        // Large enough to read above the caption; the style's default is smaller.
        pBtn->setIconSize(QSize(24, 24));
    }

    for (QFrame* pLine : {ui.line_2, ui.line_3, ui.line_4})
        pLine->setStyleSheet(CapturoStyle::kGroupLine);
    for (QWidget* pWidget : std::initializer_list<QWidget*>{
             ui.lbl_video, ui.lbl_video_2, ui.lbl_video_3, ui.lbl_capturo_2, ui.lbl_capturo_3,
             ui.plainText_Quick, ui.plainText_Gain, ui.plainText_QD, ui.plainText_Trigger_Gap,
             ui.radioBtn_Out, ui.radioBtn_Inner})
        pWidget->setFont(yaHei(12));
    ui.plainText_Quick->setStyleSheet(CapturoStyle::kQuickEdit);
    for (QLineEdit* pEdit : {ui.plainText_Gain, ui.plainText_QD, ui.plainText_Trigger_Gap})
        pEdit->setStyleSheet(CapturoStyle::kEdit);
    ui.radioBtn_Out->setStyleSheet(CapturoStyle::kRadio);
    ui.radioBtn_Inner->setStyleSheet(CapturoStyle::kRadio);
    for (QWidget* pWidget : std::initializer_list<QWidget*>{ui.checkBox_Video, ui.horizontalSlider_Quick,
                                                            ui.horizontalSlider_Gain, ui.horizontalSlider_QD,
                                                            ui.horizontalSlider_Trigger_Gap})
        pWidget->setStyleSheet(CapturoStyle::kControlBackground);
}

void wrapSettingsInScroll(Ui::CapturoUI& ui, QWidget* pPanel)
{
    // The settings sit at fixed places in their group, which needs its full
    // height: room for them, its 15 px bottom margin and a little air. A low
    // screen (800 px) cannot give it that above the results, so the group
    // scrolls there instead of sliding under the results.
    QGroupBox* pConfig = ui.groupBox_Config;
    pConfig->setMinimumHeight(qMax(pConfig->minimumHeight(), pConfig->childrenRect().bottom() + 1 + 15 + 8));
    auto* pScroll = new QScrollArea(pPanel);
    pScroll->setObjectName(QStringLiteral("scrollArea_Config"));
    pScroll->setFrameShape(QFrame::NoFrame);
    pScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    pScroll->setWidgetResizable(true);
    pScroll->setStyleSheet(CapturoStyle::kScrollV);
    pScroll->viewport()->setAutoFillBackground(false);
    const int nIndex = ui.verticalLayout_3->indexOf(pConfig);
    ui.verticalLayout_3->removeWidget(pConfig);
    pScroll->setWidget(pConfig);
    // The group's own width plus the bar's, so that the bar never covers a setting.
    pScroll->setFixedWidth(pConfig->maximumWidth() + pScroll->verticalScrollBar()->sizeHint().width());
    ui.verticalLayout_3->insertWidget(nIndex, pScroll);
}

} // namespace

ScrollBars apply(Ui::CapturoUI& ui, QWidget* pPanel)
{
    pPanel->setStyleSheet(CapturoStyle::kPanel);
    const ScrollBars bars = styleViewAndHeader(ui);
    styleSettings(ui);
    wrapSettingsInScroll(ui, pPanel);
    // After the wrapper has measured the group: the form's height is what it sizes.
    ui.comboBox_trigger_type->setFixedHeight(32);
    return bars;
}

} // namespace CapturoLook
