#include "Tool.h"

static void initToolResources()
{
    Q_INIT_RESOURCE(tool_core_icons);
}

Tool::Tool(QObject* parent)
{
    // Plugins are root objects of their library and never take a parent.
    Q_UNUSED(parent);
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    initToolResources();
}

bool Tool::getToolType()
{
    return true;
}

void Tool::loadUI()
{
}

void Tool::slotEventFromPlugins(PluginMetaData plt)
{
    m_pUIObject = plt.pHandle;
}
