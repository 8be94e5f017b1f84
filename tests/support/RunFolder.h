#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A runnable folder of its own for one test or benchmark, laid out as kelvora's:
// plugins/ with links to plugin files and their load list, and a config.ini that
// points the service at a given vision core. The program's own files stay untouched.
class RunFolder
{
public:
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& strName) const { return m_dir.filePath(strName); }

    // Links every plugin that strPluginDir's plugins.json lists, in its order,
    // and copies the list; by default the plugins of this build.
    bool addListedPlugins(const QString& strPluginDir = builtPluginDir());
    // Links the given plugin files and writes a list that loads them in this order.
    bool addPlugins(const QStringList& pluginFiles);
    // config.ini naming the vision core, with further lines of its [General] section.
    bool writeConfig(const QString& strEndpoint, const QByteArray& extraLines = QByteArray());
    // Makes this the current folder and a library path, as kelvora's own folder is
    // when it runs: the plugin list and config.ini are read from the current folder,
    // and the loader resolves "plugins/..." through the library paths.
    bool enter();

    // Plugin file names in load order, as the list names them.
    QStringList pluginNames() const { return m_pluginNames; }

    static QString builtPluginDir();

private:
    bool linkPlugin(const QString& strFile);

    QTemporaryDir m_dir;
    QStringList m_pluginNames;
};
