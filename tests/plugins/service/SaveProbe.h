#pragma once

#include "common/vexa_image.h"
#include "framework/PluginMessages.h"
#include "framework/PluginMetaData.h"

#include <QDir>
#include <QImage>
#include <QObject>

#include <algorithm>
#include <memory>

// A grey frame whose first three pixels say who made it: nTag, then the
// frame's number low and high byte; the rest holds nTag.
inline std::shared_ptr<vexa::VexaImage> taggedFrame(int nWidth, int nHeight, unsigned char nTag, int nNumber,
                                                    quint64 nIdentifier)
{
    auto pImage = std::make_shared<vexa::VexaImage>(nWidth, nHeight, vexa::VexaImage::IMAGE_GRAY, nWidth);
    std::fill(pImage->data(), pImage->data() + size_t(nWidth) * nHeight, nTag);
    pImage->data()[1] = static_cast<unsigned char>(nNumber & 0xff);
    pImage->data()[2] = static_cast<unsigned char>(nNumber >> 8);
    pImage->setIdentifier(nIdentifier);
    return pImage;
}

// The tag and number a saved file carries, -1 when it is no such image.
inline int tagOf(const QImage& image)
{
    return image.isNull() ? -1 : qGray(image.pixel(0, 0));
}
inline int numberOf(const QImage& image)
{
    return image.isNull() ? -1 : qGray(image.pixel(1, 0)) + 256 * qGray(image.pixel(2, 0));
}

// Every entry of a folder, hidden ones included.
inline QStringList allFiles(const QString& qsFolder)
{
    return QDir(qsFolder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// Plays the camera page: keeps the records addressed to it.
class SaveProbe : public QObject
{
    Q_OBJECT
public:
    QList<PluginMetaData> records;

    QList<PluginMetaData> withId(int nMsgId) const
    {
        QList<PluginMetaData> result;
        for (const PluginMetaData& plt : records)
            if (plt.nModule == MODULE_CAPTURO && plt.nMsgId == nMsgId)
                result << plt;
        return result;
    }
    QStringList failures() const
    {
        QStringList texts;
        for (const PluginMetaData& plt : withId(MSG_RESULT))
            if (plt.jsonData["success"].toInt() != 1)
                texts << plt.jsonData["result"].toString();
        return texts;
    }

public slots:
    void slotEventFromPlugins(PluginMetaData plt) { records << plt; }
};

inline PluginMetaData saveSettings(bool bEnabled, const QString& qsFolder, const QString& qsFormat = ".bmp")
{
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = MSG_SAVE_SETTINGS;
    plt.jsonData.insert("enabled", bEnabled);
    plt.jsonData.insert("folder", qsFolder);
    plt.jsonData.insert("format", qsFormat);
    plt.jsonData.insert("type", "all");
    return plt;
}
