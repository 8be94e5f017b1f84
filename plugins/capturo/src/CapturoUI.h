#pragma once

#include "CameraInfoType.h"
#include "CameraParams.h"
#include "ImageSetting.h"

#include "framework/PluginMetaData.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

class DTButton;
class DTGraphicsScene;
class QButtonGroup;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QScrollBar;
class QSlider;

namespace Ui {
class CapturoUI;
}

// The camera page: parameter panel and result list on the right, image view, image
// list and save settings on the left. Every operator change leaves as a command
// record through signalSendSignal; replies come back through the apply* calls.
class CapturoUI : public QWidget
{
    Q_OBJECT
public:
    // Newest entries kept in the thumbnail strip and in the result list; older ones are
    // dropped so that a page left streaming for hours stays within bounded memory.
    static constexpr int MaxThumbnails = 3000;
    static constexpr int MaxResults = 5000;
    static constexpr int ThumbnailSize = 70;

    explicit CapturoUI(QWidget* parent = nullptr);
    ~CapturoUI() override;

    void showImage(QPixmap pixmap, QString name);
    void addResult(QString text, bool success);
    void applyCameraInfo(const CameraInfo& info);
    void applyCameraParams(const CameraParams& params);

    ImageSetting* imageSetting() const { return m_pImageSetting; }
    QString saveDir() const { return m_strSaveDir; }
    DTGraphicsScene* currentScene() const { return m_pScene; }
    // Replaces the folder dialog of the local-file source (tests, automation).
    void setFolderChooser(ImageSetting::FolderChooser chooser) { m_folderChooser = std::move(chooser); }

signals:
    void signalSendSignal(PluginMetaData plt);

public slots:
    void slotNarrow();
    void slotExpand();
    void slotRotate();
    void slotFitIn();
    void slotOpenLocalFile();
    void slotOpenCamera();
    void slotVideoChanged(int);
    void slotTriggerMode();
    void slotImageItemClicked(QListWidgetItem* pItem);
    void slotQuickSliderChange(int nSlider);
    void slotQDSliderChange(int);
    void slotTriggerGapSliderChange(int);
    void slotGainSliderChange(int);
    void slotEditGain();
    void slotEditQD();
    void slotEditQuick();
    void slotEditTrigger_Gap();
    void slotGetPos(QColor, double, double);
    // Step through the image list from the tool bar's back and forward arrows.
    void slotShowPreviousImage();
    void slotShowNextImage();

private:
    void setupStyles();
    void setupSettingsScroll();
    void setupResultList();
    void setupImageList();
    void setupTriggerType();
    void setupSaveSettings();
    void connectControls();

    void sendCommand(int nMsgId, const QVariant& varData = QVariant());
    void confirmEdit(QLineEdit* pEdit, QSlider* pSlider, int nMsgId);
    void setRange(QSlider* pSlider, QLineEdit* pEdit, int nMin, int nMax);
    void setCameraControlsEnabled(bool bEnabled);
    void displayPixmap(const QPixmap& pixmap, bool bFit);
    void zoom(double dFactor);
    void showListedImage(int nRow);

    Ui::CapturoUI* ui;
    QButtonGroup* m_pSourceGroup = nullptr;
    ImageSetting* m_pImageSetting = nullptr;
    DTButton* m_pSaveSettingBtn = nullptr;
    QString m_strSaveDir;
    QScrollBar* m_pViewHScrollBar = nullptr;
    QScrollBar* m_pViewVScrollBar = nullptr;
    QScrollBar* m_pResultScrollBar = nullptr;
    QScrollBar* m_pImageListScrollBar = nullptr;
    DTGraphicsScene* m_pScene = nullptr;
    ImageSetting::FolderChooser m_folderChooser;
};
