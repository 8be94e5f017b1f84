#pragma once

#include "ImageSetting.h"

#include <QObject>
#include <QString>
#include <QVector>

class QButtonGroup;
class QToolButton;

// The data source switch: camera or a folder of local images, as an exclusive pair
// of buttons, plus choosing and listing the folder.
class SourceSwitch : public QObject
{
    Q_OBJECT
public:
    struct LocalImage
    {
        QString qsPath; // the file to load
        QString qsName; // the path without its extension, as the strip lists it
    };

    SourceSwitch(QToolButton* pCamera, QToolButton* pLocalFile, QObject* parent = nullptr);

    QButtonGroup* group() const { return m_pGroup; }
    bool isLocalFile() const;

    // Asks for the folder of local images; empty when cancelled.
    QString chooseFolder() const;
    void setFolderChooser(ImageSetting::FolderChooser chooser) { m_folderChooser = std::move(chooser); }

    // The ".bmp" and ".jpg" files (case-sensitive) directly in qsFolder, unsorted.
    static QVector<LocalImage> localImages(const QString& qsFolder);

private:
    QButtonGroup* m_pGroup;
    QToolButton* m_pLocalFile;
    ImageSetting::FolderChooser m_folderChooser;
};
