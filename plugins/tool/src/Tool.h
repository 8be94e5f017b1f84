#pragma once

#include "framework/DTPluginBase.h"

// Plugin behind the tool task page. It keeps the page handle of every record and
// carries the tool forms; it places no widget and sends nothing yet.
class Tool : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.Tool")
public:
    explicit Tool(QObject* parent = nullptr);

    bool getToolType();
    void loadUI() override;

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override;
};
