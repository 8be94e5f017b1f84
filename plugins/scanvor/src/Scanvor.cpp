#include "Scanvor.h"

#include "CameraListView.h"
#include "CameraSearchNotFoundUI.h"
#include "CameraSearchUI.h"
#include "framework/PluginMessages.h"

static void initScanvorResources()
{
    Q_INIT_RESOURCE(scanvor_core_icons);
}

Scanvor::Scanvor()
{
    initScanvorResources();
}

Scanvor::~Scanvor()
{
    // Pages the window still holds are the window's; detached ones are ours.
    if (m_pSearchUI && !m_pSearchUI->parent())
        delete m_pSearchUI;
    if (m_pNotFoundUI && !m_pNotFoundUI->parent())
        delete m_pNotFoundUI;
}

void Scanvor::loadUI()
{
    // Nothing to build until the home record arrives.
}

void Scanvor::slotEventFromPlugins(PluginMetaData plt)
{
    if (plt.nModule == MODULE_CAPTURO && (plt.nMsgId == MSG_OPEN_CAMERA || plt.nMsgId == MSG_CLOSE_CAMERA)) {
        // The list follows what became of a camera opened or closed anywhere.
        if (m_pSearchUI && plt.jsonData.value("success").toInt() == 1)
            m_pSearchUI->setCameraState(plt.jsonData.value("camera").toString(),
                                        plt.nMsgId == MSG_OPEN_CAMERA ? "open" : "free");
        return;
    }
    if (plt.nModule != MODULE_SCANVOR)
        return;
    if (plt.nMsgId == MSG_LIST_CAMERAS)
        handleListRecord(plt);
    else if (plt.nMsgId == MSG_SHOW_CAMERA_SEARCH)
        loadScanvorUI();
}

void Scanvor::handleListRecord(const PluginMetaData& plt)
{
    if (!m_pSearchUI)
        return;
    if (plt.jsonData.value("ack").toBool())
        m_pSearchUI->acknowledge();
    else
        m_pSearchUI->setAnswer(CameraAnswer::fromJson(plt.jsonData));
}

void Scanvor::loadScanvorUI()
{
    if (!m_pSearchUI) {
        m_pSearchUI = new CameraSearchUI;
        connect(m_pSearchUI, SIGNAL(signalNotFound()), this, SLOT(slotNotFound()));
        connect(m_pSearchUI, SIGNAL(signalOpenCamera(QString)), this, SLOT(slotOpenCamera(QString)));
        showSearchPage();
        startSearch();
        return;
    }
    // A finished search would sit at a full bar that claims to be searching.
    const bool bRestart = m_pSearchUI->isFinished();
    showSearchPage();
    if (bRestart)
        startSearch();
}

void Scanvor::showSearchPage()
{
    emit signalSetMainWidget(m_pSearchUI);
    // The window adopts the page it is given at once; without a window it stays parentless.
    m_bPlacedByWindow = m_pSearchUI->parentWidget() != nullptr;
}

bool Scanvor::isSearchPageReplaced() const
{
    // The window lets go of the page it no longer shows.
    return m_bPlacedByWindow && m_pSearchUI && !m_pSearchUI->parentWidget();
}

void Scanvor::startSearch()
{
    m_pSearchUI->restartSearch();
    // The service acknowledges before this returns, when one is loaded.
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = MSG_LIST_CAMERAS;
    sendEvent(plt);
}

void Scanvor::slotOpenCamera(QString strId)
{
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = MSG_OPEN_CAMERA;
    plt.jsonData.insert("camera", strId);
    sendEvent(plt);
}

void Scanvor::loadScanvorNotFoundUI()
{
    if (!m_pNotFoundUI) {
        m_pNotFoundUI = new CameraSearchNotFoundUI;
        connect(m_pNotFoundUI, SIGNAL(signalResearch()), this, SLOT(slotResearch()));
    }
    if (m_pSearchUI)
        m_pNotFoundUI->setReason(m_pSearchUI->state());
    emit signalSetMainWidget(m_pNotFoundUI);
}

void Scanvor::slotNotFound()
{
    // The operator left the home page (a camera tab) while the bar ran: the search
    // ends unseen and the home button starts a new one.
    if (isSearchPageReplaced())
        return;
    loadScanvorNotFoundUI();
}

void Scanvor::slotResearch()
{
    if (!m_pSearchUI) {
        loadScanvorUI();
        return;
    }
    showSearchPage();
    startSearch();
}
