#pragma once

#include "framework/PluginMetaData.h"

#include <QPushButton>
#include <QWidget>

// The host end of the plugin wiring, without the window around it.
class TestHost : public QWidget
{
    Q_OBJECT
public:
    QList<QPushButton*> toolButtons;

signals:
    void sendSignalToPlugins(PluginMetaData);

public slots:
    void slotEventFromPlugins(PluginMetaData plt) { emit sendSignalToPlugins(plt); }
    void slotPluginAddToolBtn(QPushButton* pBtn, bool, Qt::Alignment) { toolButtons << pBtn; }
};
