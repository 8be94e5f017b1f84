#pragma once

#include "framework/PluginMetaData.h"

#include <QPixmap>
#include <QString>

class DTButton;
class ImageSetting;
class QBoxLayout;
class QWidget;

// Saving of received frames: the save-settings pop-up, the button that shows it on
// hover, the default folder, and the settings record for the service, which
// writes the frames off the GUI thread and reports each file written.
class FrameSaver
{
public:
    // The button joins pHeaderRow as a child of pPanel.
    FrameSaver(QWidget* pPanel, QBoxLayout* pHeaderRow);
    ~FrameSaver();
    FrameSaver(const FrameSaver&) = delete;
    FrameSaver& operator=(const FrameSaver&) = delete;

    // "<Documents>/kelvora/images"
    static QString defaultFolder();

    ImageSetting* imageSetting() const { return m_pImageSetting; }
    DTButton* button() const { return m_pButton; }
    // The folder camera frames are named into; ".//Logs" until the pop-up supplies one.
    QString saveDir() const { return m_strSaveDir; }

    // A camera frame's name: the pop-up's folder (adopted from now on), "//", the key.
    QString cameraFrameName(const QString& qsKey);
    bool isSaveEnabled() const;
    QString imageFormat() const;
    // The settings for the service; bActive false (video, local files) keeps saving off
    // whatever the switch says.
    PluginMetaData settingsRecord(bool bActive) const;

private:
    ImageSetting* m_pImageSetting = nullptr;
    DTButton* m_pButton = nullptr;
    QString m_strSaveDir = QStringLiteral(".//Logs");
};
