#pragma once

#include <QButtonGroup>
#include <QString>
#include <QWidget>

#include <functional>

namespace Ui {
class ImageSetting;
}

// The frameless save-settings pop-up: saving on or off, target folder, image type
// and file format. Settings live in memory only.
class ImageSetting : public QWidget
{
    Q_OBJECT
public:
    // Asks the operator for a folder; returns an empty string when cancelled.
    using FolderChooser = std::function<QString(const QString& qsCaption)>;

    explicit ImageSetting(QWidget* parent = nullptr);
    ~ImageSetting() override;

    QString savePath() const { return m_strSavePath; }
    QString imageFormat() const { return m_strImageFormat; }
    bool isSaveEnabled() const { return m_bSaveImage; }
    // Moves the switch too: the switch never shows a state that is not the saving state.
    void setSaveEnabled(bool bEnabled);
    // "all" or "ng", as the radio buttons stand.
    QString imageType() const;
    void setSavePath(QString qsPath);

    // The page's own folder dialog (FolderDialog), directories only; the default chooser.
    static QString askForFolder(const QString& qsCaption);
    // Replaces the folder dialog (tests, automation).
    void setFolderChooser(FolderChooser chooser) { m_folderChooser = std::move(chooser); }

signals:
    // Saving on or off, folder, type or format changed.
    void signalSettingsChanged();

public slots:
    void slotStateChanged(int);
    void slotSaveFolder();
    void slotRadioSave();
    void slotRadioSaveFormat();

protected:
    void leaveEvent(QEvent* event) override;

private:
    // The folder, path and radio controls follow the on/off switch.
    void setControlsEnabled(bool bEnabled);

    Ui::ImageSetting* ui;
    bool m_bSaveImage = false;
    QString m_strSavePath;
    QButtonGroup m_typeGroup;
    QButtonGroup m_formatGroup;
    QString m_strImageFormat = ".bmp";
    FolderChooser m_folderChooser;
};
