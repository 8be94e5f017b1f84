#pragma once

#include <functional>

class DT_PluginsManager;
class QWidget;

// What the main window does around its own life: when it is built, start the plugins
// listed in plugins/plugins.json of the current folder (load, connect, hand over the
// window); when it is destroyed, unload them and then end the process at once. The
// program wants both; windows built inside a test or benchmark process choose.
class HostLifecycle
{
public:
    enum Plugins
    {
        NoPlugins,
        LoadPlugins
    };
    enum Exit
    {
        ReturnOnExit,
        EndProcessOnExit
    };

    explicit HostLifecycle(Plugins plugins = LoadPlugins, Exit exit = EndProcessOnExit);

    // The manager with pWindow as the end point of every plugin connection, after
    // loadPlugins(), connectPlugins() and sendSignalUI(pWindow); null without plugins.
    // The manager is never deleted: plugin objects may still refer to it.
    DT_PluginsManager* startPlugins(QWidget* pWindow);
    // Disconnects and unloads what startPlugins loaded; nothing after the first call.
    void stopPlugins();
    // Ends the process when the policy says so; returns otherwise.
    void endProcess();

    DT_PluginsManager* manager() const { return m_pManager; }
    bool loadsPlugins() const { return m_plugins == LoadPlugins; }
    bool endsProcess() const { return m_exit == EndProcessOnExit; }
    // Replaces the immediate process exit (for observing it in tests).
    void setProcessEnd(std::function<void()> end) { m_end = std::move(end); }

private:
    Plugins m_plugins;
    Exit m_exit;
    std::function<void()> m_end;
    DT_PluginsManager* m_pManager = nullptr;
};
