#include "Dossiva.h"

#include "Project.h"

static void initDossivaResources()
{
    Q_INIT_RESOURCE(dossiva_core_icons);
}

Dossiva::Dossiva(QObject* parent)
{
    // Plugins are root objects of their library and never take a parent.
    Q_UNUSED(parent);
    initDossivaResources();
    m_pProject = std::make_unique<Project>();
    connect(m_pProject.get(), SIGNAL(sendSignalsToProject(PluginMetaData)), this,
            SLOT(slotSendSignal(PluginMetaData)));
}

Dossiva::~Dossiva() = default;

void Dossiva::loadUI()
{
}

void Dossiva::slotEventFromPlugins(PluginMetaData plt)
{
    m_pUIObject = plt.pHandle;
}

void Dossiva::slotOpenProject()
{
    m_pProject->openProject();
}
