#include "Scanvor.h"

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
    if (plt.nModule != MODULE_SCANVOR || plt.nMsgId != MSG_SHOW_CAMERA_SEARCH)
        return;
    loadScanvorUI();
}

void Scanvor::loadScanvorUI()
{
    if (!m_pSearchUI) {
        m_pSearchUI = new CameraSearchUI;
        connect(m_pSearchUI, SIGNAL(signalNotFound()), this, SLOT(slotNotFound()));
    } else if (m_pSearchUI->isFinished()) {
        // A finished search would sit at a full bar that claims to be searching.
        m_pSearchUI->restartSearch();
    }
    emit signalSetMainWidget(m_pSearchUI);
}

void Scanvor::loadScanvorNotFoundUI()
{
    if (!m_pNotFoundUI) {
        m_pNotFoundUI = new CameraSearchNotFoundUI;
        connect(m_pNotFoundUI, SIGNAL(signalResearch()), this, SLOT(slotResearch()));
    }
    emit signalSetMainWidget(m_pNotFoundUI);
}

void Scanvor::slotNotFound()
{
    loadScanvorNotFoundUI();
}

void Scanvor::slotResearch()
{
    if (!m_pSearchUI) {
        loadScanvorUI();
        return;
    }
    m_pSearchUI->restartSearch();
    emit signalSetMainWidget(m_pSearchUI);
}
