#pragma once

#include <QString>
#include <QTemporaryDir>

// A runnable folder of its own for one test: the real plugins of the build (linked,
// listed by the build's plugins.json) and a config.ini that points the service at a
// given vision core. The program's own files stay untouched.
class RunFolder
{
public:
    bool create(const QString& strEndpoint);
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& strName) const { return m_dir.filePath(strName); }
    // Plugin file names in load order, as the list names them.
    QStringList pluginNames() const { return m_pluginNames; }

private:
    QTemporaryDir m_dir;
    QStringList m_pluginNames;
};
