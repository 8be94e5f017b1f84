#pragma once

#include "PluginInfo.h"

#include <QList>
#include <QObject>

class QPluginLoader;
class QWidget;

// Loads the plugins listed in plugins/plugins.json (relative to the current folder),
// wires each one to the host window by signal and slot signatures and hands the
// window to every plugin. The host drives it: construct, loadPlugins(),
// connectPlugins(), emit sendSignalUI(window), and unloadPlugins() at the end.
class DT_PluginsManager : public QObject
{
    Q_OBJECT
public:
    explicit DT_PluginsManager(QWidget* host);

    void loadPlugins();
    void connectPlugins();
    void unloadPlugins();
    bool tryLoad(const QString& path, bool unloadOnFailure);

    const QList<PluginInfo>& loadedPlugins() const { return m_loaded; }
    const QList<PluginInfo>& failedPlugins() const { return m_failed; }
    const QList<PluginInfo>& enabledPlugins() const { return m_enabled; }
    const QList<PluginInfo>& disabledPlugins() const { return m_disabled; }

signals:
    void sendSignalUI(QObject*);

private:
    void readPluginList();
    // Points the loader at a listed plugin that still exists and loads (or had loaded) it.
    bool openLoaded(const PluginInfo& info, QPluginLoader& loader) const;

    QList<PluginInfo> m_loaded;
    QList<PluginInfo> m_failed;
    QList<PluginInfo> m_enabled;
    QList<PluginInfo> m_disabled;
    QWidget* m_pHost = nullptr;
};
