#include "Project.h"

#include "framework/PluginMessages.h"

Project::Project(QObject* parent)
    : QObject(parent)
{
}

void Project::openProject()
{
    // Addressed to the service with no command id yet: it reaches the bus, and the
    // service acts on none of it.
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    emit sendSignalsToProject(plt);
}
