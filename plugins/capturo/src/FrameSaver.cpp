#include "FrameSaver.h"

#include "CapturoLook.h"
#include "CapturoStyle.h"
#include "ImageSetting.h"

#include "framework/DTButton.h"
#include "framework/PluginMessages.h"

#include <QBoxLayout>
#include <QDir>
#include <QStandardPaths>

FrameSaver::FrameSaver(QWidget* pPanel, QBoxLayout* pHeaderRow)
{
    m_pImageSetting = new ImageSetting();
    m_pImageSetting->hide();

    const QString qsDefault = defaultFolder();
    if (!QDir(qsDefault).exists())
        QDir().mkpath(qsDefault);
    m_pImageSetting->setSavePath(qsDefault);

    m_pButton = new DTButton(pPanel);
    m_pButton->setText(CapturoLook::text(QT_TRANSLATE_NOOP("CapturoUI", "图像保存设置")));
    m_pButton->setObjectName(QStringLiteral("btn_Save_ImageSetting"));
    m_pButton->setFlat(true);
    m_pButton->setStyleSheet(CapturoStyle::kSaveSettingButton);
    m_pButton->setFont(CapturoLook::yaHei(14));
    m_pButton->setFixedSize(84, 22);
    pHeaderRow->addWidget(m_pButton);
    m_pButton->setHoverPopup(m_pImageSetting);
}

FrameSaver::~FrameSaver()
{
    // The pop-up is a top-level window of its own; it goes with the panel.
    delete m_pImageSetting;
}

QString FrameSaver::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/" + "kelvora" + "/images";
}

QString FrameSaver::cameraFrameName(const QString& qsKey)
{
    const QString qsSavePath = m_pImageSetting->savePath();
    if (!qsSavePath.isEmpty())
        m_strSaveDir = qsSavePath;
    return m_strSaveDir + "//" + qsKey;
}

bool FrameSaver::isSaveEnabled() const
{
    return m_pImageSetting->isSaveEnabled();
}

QString FrameSaver::imageFormat() const
{
    return m_pImageSetting->imageFormat();
}

PluginMetaData FrameSaver::settingsRecord(bool bActive) const
{
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = MSG_SAVE_SETTINGS;
    plt.jsonData.insert("enabled", bActive && m_pImageSetting->isSaveEnabled());
    plt.jsonData.insert("folder", m_pImageSetting->savePath());
    plt.jsonData.insert("format", m_pImageSetting->imageFormat());
    plt.jsonData.insert("type", m_pImageSetting->imageType());
    return plt;
}
