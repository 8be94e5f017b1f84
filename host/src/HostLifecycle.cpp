#include "HostLifecycle.h"

#include "DT_PluginsManager.h"

#include <QWidget>

#include <unistd.h>

HostLifecycle::HostLifecycle(Plugins plugins, Exit exit)
    : m_plugins(plugins)
    , m_exit(exit)
    // No exit handlers and no static destructors: plugin libraries may be half
    // unloaded by now, and nothing is left to save.
    , m_end([] { ::_exit(0); })
{
}

DT_PluginsManager* HostLifecycle::startPlugins(QWidget* pWindow)
{
    if (m_plugins != LoadPlugins || m_pManager)
        return m_pManager;
    m_pManager = new DT_PluginsManager(pWindow);
    m_pManager->loadPlugins();
    m_pManager->connectPlugins();
    emit m_pManager->sendSignalUI(pWindow);
    return m_pManager;
}

void HostLifecycle::stopPlugins()
{
    if (!m_pManager)
        return;
    m_pManager->unloadPlugins();
    m_pManager = nullptr;
}

void HostLifecycle::endProcess()
{
    if (m_exit == EndProcessOnExit && m_end)
        m_end();
}
