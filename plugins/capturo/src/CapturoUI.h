#pragma once

#include "CameraInfoType.h"
#include "CameraParams.h"
#include "ImageSetting.h"
#include "ResultList.h"
#include "ThumbnailStrip.h"

#include "framework/PluginMetaData.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

#include <memory>

class DTButton;
class DTGraphicsScene;
class FrameSaver;
class ImageView;
class LocalFolderLoader;
class ParameterPanel;
class QButtonGroup;
class QListWidgetItem;
class QScrollBar;
class SourceSwitch;
class ViewOptions;

namespace Ui {
class CapturoUI;
}

// The camera page: parameter panel and result list on the right, image view, image
// list and save settings on the left. Every operator change leaves as a command
// record through signalSendSignal; replies come back through the apply* calls.
// The page composes one part per concern (see the plugin's README) and routes its
// slots to them.
class CapturoUI : public QWidget
{
    Q_OBJECT
public:
    static constexpr int MaxThumbnails = ThumbnailStrip::MaxThumbnails;
    static constexpr int MaxResults = ResultList::MaxResults;
    static constexpr int ThumbnailSize = ThumbnailStrip::ThumbnailSize;

    explicit CapturoUI(QWidget* parent = nullptr);
    ~CapturoUI() override;

    void showImage(QPixmap pixmap, QString name);
    // A frame the service wrote to disk: listed under its file name without extension.
    void addSavedFrame(const QPixmap& icon, const QString& qsName);
    // A frame from the camera: shown through showImage with the camera as the source;
    // while local files are browsed it leaves their view and list alone (returns false).
    bool showCameraFrame(QPixmap pixmap, QString key);
    void addResult(QString text, bool success);
    // The core's reason for the failure just listed, on a line of its own.
    void addReason(const QString& qsReason);
    void applyCameraInfo(const CameraInfo& info);
    void applyCameraParams(const CameraParams& params);
    void applyDebounce(int nMilliseconds);
    void applyTriggerType(int nType);

    // Status lines of the page itself (source texts).
    static const char* const kSavingSwitchedOffText;
    static const char* const kNotSavingText;
    static const char* const kFramesHiddenText;

    ImageSetting* imageSetting() const;
    QString saveDir() const;
    DTGraphicsScene* currentScene() const;
    // The image view's context menu: histogram and acquisition figures.
    ViewOptions* viewOptions() const { return m_pOptions; }
    // Replaces the folder dialog of the local-file source (tests, automation).
    void setFolderChooser(ImageSetting::FolderChooser chooser);
    // Decodes the images of a chosen folder off the GUI thread.
    LocalFolderLoader* folderLoader() const { return m_pLoader; }

signals:
    void signalSendSignal(PluginMetaData plt);
    // Video mode switched on or off by the operator.
    void signalVideoModeChanged(bool bOn);

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
    void connectControls();
    void sendCommand(int nMsgId, const QVariant& varData);
    // Tells the service what to save; sent whenever a setting, video mode or the source changes.
    void sendSaveSettings();
    void setCameraControlsEnabled(bool bEnabled);

    Ui::CapturoUI* ui;
    QScrollBar* m_pViewHScrollBar = nullptr;
    QScrollBar* m_pViewVScrollBar = nullptr;
    QScrollBar* m_pResultScrollBar = nullptr;
    QScrollBar* m_pImageListScrollBar = nullptr;
    ParameterPanel* m_pParams = nullptr;
    std::unique_ptr<ThumbnailStrip> m_pStrip;
    std::unique_ptr<ResultList> m_pResults;
    SourceSwitch* m_pSource = nullptr;
    std::unique_ptr<FrameSaver> m_pSaver;
    ImageView* m_pView = nullptr;
    ViewOptions* m_pOptions = nullptr;
    LocalFolderLoader* m_pLoader = nullptr;
    // Borrowed from the parts above, under the names the page is known by.
    QButtonGroup* m_pSourceGroup = nullptr;
    ImageSetting* m_pImageSetting = nullptr;
    DTButton* m_pSaveSettingBtn = nullptr;
    // Saving was on when the local files switched it off, and has not been put back.
    bool m_bSavingStoppedByLocalFiles = false;
    // This visit to the local files has said that camera frames are not shown.
    bool m_bToldFramesHidden = false;
};
