#include "SourceSwitch.h"

#include "CapturoLook.h"

#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QToolButton>

SourceSwitch::SourceSwitch(QToolButton* pCamera, QToolButton* pLocalFile, QObject* parent)
    : QObject(parent)
    , m_pGroup(new QButtonGroup(this))
    , m_pLocalFile(pLocalFile)
    , m_folderChooser(ImageSetting::askForFolder)
{
    m_pGroup->setExclusive(true);
    pCamera->setCheckable(true);
    pLocalFile->setCheckable(true);
    m_pGroup->addButton(pCamera);
    m_pGroup->addButton(pLocalFile);
    pCamera->setChecked(true);
}

bool SourceSwitch::isLocalFile() const
{
    return m_pLocalFile->isChecked();
}

QString SourceSwitch::chooseFolder() const
{
    return m_folderChooser
        ? m_folderChooser(CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "选择图片文件夹路径")))
        : QString();
}

QVector<SourceSwitch::LocalImage> SourceSwitch::localImages(const QString& qsFolder)
{
    QVector<LocalImage> images;
    const QFileInfoList entries = QDir(qsFolder).entryInfoList(
        QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (!entry.isFile())
            continue;
        const QString qsPath = entry.filePath();
        if (!qsPath.endsWith(QLatin1String(".bmp")) && !qsPath.endsWith(QLatin1String(".jpg")))
            continue;
        // Only the extension goes: a folder such as "run.bmp/" stays part of the name,
        // so the thumbnail finds its file again.
        images.append({qsPath, qsPath.left(qsPath.size() - 4)});
    }
    return images;
}
