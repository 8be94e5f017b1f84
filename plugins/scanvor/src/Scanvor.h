#pragma once

#include "framework/DTPluginBase.h"

#include <QPointer>

class CameraSearchUI;
class CameraSearchNotFoundUI;

// Home page plugin: on the home record it shows the camera search page and asks the
// service for its cameras; the bar runs from 80 to 100 and, once the service has
// acknowledged, waits there for the answer: the cameras found are listed on the
// search page with a way to open each, otherwise the not-found page follows.
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
    void slotOpenCamera(QString strId);

private:
    // The bar back to its start and the service asked again.
    void startSearch();
    void handleListRecord(const PluginMetaData& plt);
    void showSearchPage();
    // The window shows another page than the search page it was given.
    bool isSearchPageReplaced() const;

    // The window adopts the page it shows and may destroy it first.
    QPointer<CameraSearchUI> m_pSearchUI;
    QPointer<CameraSearchNotFoundUI> m_pNotFoundUI;
    bool m_bPlacedByWindow = false;
};
