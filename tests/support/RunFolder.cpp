#include "RunFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QCoreApplication>

namespace {

bool writeFile(const QString& strPath, const QByteArray& content)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

} // namespace

QString RunFolder::builtPluginDir()
{
    return QStringLiteral(KELVORA_PLUGIN_DIR);
}

bool RunFolder::linkPlugin(const QString& strFile)
{
    QDir dir(m_dir.path());
    if (!dir.exists("plugins") && !dir.mkdir("plugins"))
        return false;
    const QString strName = QFileInfo(strFile).fileName();
    if (!QFile::link(QFileInfo(strFile).absoluteFilePath(), dir.filePath("plugins/" + strName)))
        return false;
    m_pluginNames << strName;
    return true;
}

bool RunFolder::addListedPlugins(const QString& strPluginDir)
{
    if (!isValid())
        return false;
    const QDir source(strPluginDir);
    QFile list(source.filePath("plugins.json"));
    if (!list.open(QIODevice::ReadOnly))
        return false;
    const QByteArray json = list.readAll();
    const QJsonArray entries = QJsonDocument::fromJson(json).object().value("plugins").toArray();
    for (const QJsonValue& entry : entries)
        if (!linkPlugin(source.filePath(entry.toObject().value("plugins_name").toString())))
            return false;
    return !m_pluginNames.isEmpty() && writeFile(filePath("plugins/plugins.json"), json);
}

bool RunFolder::addPlugins(const QStringList& pluginFiles)
{
    if (!isValid())
        return false;
    QJsonArray entries;
    for (const QString& strFile : pluginFiles) {
        if (!linkPlugin(strFile))
            return false;
        entries.append(QJsonObject{{"plugins_name", m_pluginNames.last()},
                                   {"plugins_version", "1.0.0"},
                                   {"plugins_desc", ""},
                                   {"plugins_state", "0"}});
    }
    return writeFile(filePath("plugins/plugins.json"),
                     QJsonDocument(QJsonObject{{"plugins", entries}}).toJson());
}

bool RunFolder::writeConfig(const QString& strEndpoint, const QByteArray& extraLines)
{
    return isValid()
        && writeFile(filePath("config.ini"), "[General]\nip=" + strEndpoint.toUtf8() + "\n" + extraLines);
}

bool RunFolder::enter()
{
    if (!isValid() || !QDir::setCurrent(path()))
        return false;
    QCoreApplication::addLibraryPath(path());
    return true;
}
