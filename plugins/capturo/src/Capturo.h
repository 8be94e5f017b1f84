#pragma once

#include "framework/DTPluginBase.h"

#include <QPair>
#include <QPointer>
#include <QString>

#include <deque>

class CapturoUI;
class LiveFigures;
class QPushButton;

// The camera page plugin: adds the image tool buttons to the host's tool bar, builds
// the camera panel on the first activation of its page, routes the records addressed
// to the page into the panel and relays the panel's commands onto the bus.
class Capturo : public DTPluginBase
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "Plugin.Capturo")
public:
    // Status texts kept while the page was never opened, listed when it opens.
    static constexpr int kMaxEarlyResults = 300;

    explicit Capturo(QObject* parent = nullptr);

    void loadUI() override;
    CapturoUI* configUI() const { return m_pConfigUI; }
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
    QPushButton* addToolButton(const QString& qsName, const QString& qsIcon, const char* pSlot, bool bSeparator,
                               Qt::Alignment alignment);
    void activatePage(QWidget* pContainer);
    void sendCommand(int nMsgId);
    // Asks the service for the camera's ranges and current values.
    void readCamera();

    // Guarded: the page container owns the panel and may delete it.
    QPointer<CapturoUI> m_pConfigUI;
    LiveFigures* m_pFigures = nullptr;
    bool m_bUIInit = false;
    std::deque<QPair<QString, bool>> m_earlyResults;
    QPushButton* m_pBackBtn = nullptr;
    QPushButton* m_pForwardBtn = nullptr;
    QPushButton* m_pPhotoBtn = nullptr;
    QPushButton* m_pContinuePhotoBtn = nullptr;
    QPushButton* m_pNarrowBtn = nullptr;
    QPushButton* m_pExpandBtn = nullptr;
    QPushButton* m_pZoomAllBtn = nullptr;
    QPushButton* m_pRotateBtn = nullptr;
};
