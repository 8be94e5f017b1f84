#pragma once

#include "CameraPages.h"

#include "framework/DTPluginBase.h"

#include <QMap>
#include <QPair>
#include <QPointer>
#include <QString>

#include <deque>

class CapturoUI;
class LiveFigures;
class QPushButton;

// The camera page plugin: adds the image tool buttons to the host's tool bar, builds
// the camera panel on the first activation of its page, routes the records addressed
// to the page into the panel and relays the panel's commands onto the bus. Each open
// camera has a panel of its own, all in the page container and only the chosen
// camera's shown; records and commands carry the camera's id (CameraPages).
class Capturo : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.Capturo")
public:
    // Status texts kept while the page was never opened, listed when it opens.
    static constexpr int kMaxEarlyResults = 300;

    explicit Capturo(QObject* parent = nullptr);

    void loadUI() override;
    // The panel shown: the chosen camera's.
    CapturoUI* configUI() const;
    CapturoUI* panelOf(const QString& strCamera) const { return m_panels.value(strCamera); }
    const CameraPages& pages() const { return m_pages; }
    LiveFigures* liveFigures() const { return m_pFigures; }

public slots:
    void slotEventFromPlugins(PluginMetaData plt) override;
    void slotCameraBtn();
    void slotContiusCameraBtn();
    void slotNarrow();
    void slotFitIn();
    void slotExpand();
    void slotRotate();
    void slotBack();
    void slotForward();
    // From the image view's menu: the acquisition figures in the status bar.
    void slotFiguresToggled(bool bOn);

private:
    QPushButton* addToolButton(const QString& qsName, const QString& qsIcon, const char* pSlot,
                               bool bSeparator, Qt::Alignment alignment);
    void activatePage(QWidget* pContainer);
    // To the service, for the camera given (none: the first open camera).
    void sendCommand(int nMsgId, const QString& strCamera);
    // Asks the service for the camera's ranges and current values.
    void readCamera(const QString& strCamera);
    // The reads that wait for the ranges: the debounce time and the trigger type,
    // each only where the camera has it.
    void readRanged(const QString& strCamera);
    // The camera's panel, made when the page container is known.
    CapturoUI* ensurePanel(const QString& strCamera);
    void cameraOpened(const PluginMetaData& plt);
    void showSelected();
    void routeToPanel(CapturoUI* pPanel, const QString& strCamera, const PluginMetaData& plt);
    // Continuous shooting is on or off on the camera; its button shows it while the
    // camera's page is shown.
    void setContinuous(const QString& strCamera, bool bOn);

    CameraPages m_pages;
    // Guarded: the page container owns the panels and may delete them.
    QMap<QString, QPointer<CapturoUI>> m_panels;
    QPointer<QWidget> m_pContainer;
    QString m_strShownPanel;
    LiveFigures* m_pFigures = nullptr;
    bool m_bUIInit = false;
    QMap<QString, std::deque<QPair<QString, bool>>> m_earlyResults;
    QPushButton* m_pBackBtn = nullptr;
    QPushButton* m_pForwardBtn = nullptr;
    QPushButton* m_pPhotoBtn = nullptr;
    QPushButton* m_pContinuePhotoBtn = nullptr;
    QPushButton* m_pNarrowBtn = nullptr;
    QPushButton* m_pExpandBtn = nullptr;
    QPushButton* m_pZoomAllBtn = nullptr;
    QPushButton* m_pRotateBtn = nullptr;
};
