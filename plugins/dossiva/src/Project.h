#pragma once

#include "framework/PluginMetaData.h"

#include <QObject>

// The station's project. Its operations speak to the rest of the system only through
// the records it emits; the owning plugin puts them on the bus.
class Project : public QObject
{
    Q_OBJECT
public:
    explicit Project(QObject* parent = nullptr);

    void openProject();

signals:
    void sendSignalsToProject(PluginMetaData);
};
