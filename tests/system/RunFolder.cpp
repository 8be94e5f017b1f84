#include "RunFolder.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

bool RunFolder::create(const QString& strEndpoint)
{
    if (!m_dir.isValid())
        return false;
    QDir dir(m_dir.path());
    if (!dir.mkdir("plugins"))
        return false;

    const QDir builtPlugins(KELVORA_PLUGIN_DIR);
    QFile list(builtPlugins.filePath("plugins.json"));
    if (!list.open(QIODevice::ReadOnly))
        return false;
    const QByteArray json = list.readAll();
    const QJsonArray entries = QJsonDocument::fromJson(json).object().value("plugins").toArray();
    for (const QJsonValue& entry : entries) {
        const QString strName = entry.toObject().value("plugins_name").toString();
        if (!QFile::link(builtPlugins.filePath(strName), dir.filePath("plugins/" + strName)))
            return false;
        m_pluginNames << strName;
    }
    QFile copy(dir.filePath("plugins/plugins.json"));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(json) != json.size())
        return false;
    copy.close();

    QFile config(dir.filePath("config.ini"));
    if (!config.open(QIODevice::WriteOnly))
        return false;
    config.write("[General]\nip=" + strEndpoint.toUtf8() + "\n");
    return !m_pluginNames.isEmpty();
}
