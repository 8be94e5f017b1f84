#pragma once

#include <QString>

// One entry of plugins/plugins.json.
struct PluginInfo
{
    QString path;    // "plugins/" + "plugins_name"
    QString version; // "plugins_version", kept only
    QString desc;    // "plugins_desc", kept only
    int state = 0;   // "plugins_state" as a base-10 integer; 0 = load
};
