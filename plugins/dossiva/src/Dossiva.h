#pragma once

#include "framework/DTPluginBase.h"

#include <memory>

class Project;

// Project-handling plugin: relays its Project's records onto the bus and keeps the
// page handle of every record. It contributes no widget.
class Dossiva : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.Dossiva")
public:
    explicit Dossiva(QObject* parent = nullptr);
    ~Dossiva() override;

    void loadUI() override;

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override;

private slots:
    // Reached by name through the meta-object; nothing connects to it.
    void slotOpenProject();

private:
    std::unique_ptr<Project> m_pProject;
};
