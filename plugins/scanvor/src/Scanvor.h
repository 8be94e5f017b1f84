#pragma once

#include "framework/DTPluginBase.h"

#include <QPointer>

class CameraSearchUI;
class CameraSearchNotFoundUI;

// Home page plugin: on the home record it shows the camera search page, whose bar
// runs from 80 to 100 and then hands over to the not-found page.
class Scanvor : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.Scanvor")
public:
    Scanvor();
    ~Scanvor() override;

    void loadUI() override;
    void loadScanvorUI();
    void loadScanvorNotFoundUI();

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override;
    void slotNotFound();
    void slotResearch();

private:
    // The window adopts the page it shows and may destroy it first.
    QPointer<CameraSearchUI> m_pSearchUI;
    QPointer<CameraSearchNotFoundUI> m_pNotFoundUI;
};
