#include "Capturo.h"

#include "CameraInfoType.h"
#include "CameraParams.h"
#include "CapturoUI.h"
#include "LiveFigures.h"
#include "SliderRanges.h"
#include "ViewOptions.h"

#include "framework/PluginMessages.h"

#include <QImage>
#include <QLayout>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The service's statuses of a start of continuous shooting (source texts).
const char* const kContinuousStartText = "调用连续拍照";
const char* const kContinuousPhotoText = "调用连续拍照接口";
} // namespace

Capturo::Capturo(QObject* parent)
    : m_pFigures(new LiveFigures(this))
{
    setParent(parent);
    connect(m_pFigures, &LiveFigures::signalPlaceLabel, this,
            [this](QWidget* pLabel) { emit signalAddStatusBarControls(pLabel, 1); });
    connect(m_pFigures, &LiveFigures::signalRequest, this, [this](bool bOn) {
        PluginMetaData plt;
        plt.nModule = MODULE_SERVICE;
        plt.nMsgId = MSG_FIGURES_REQUEST;
        plt.varData = bOn;
        sendEvent(plt);
    });
}

void Capturo::slotFiguresToggled(bool bOn)
{
    m_pFigures->setOn(bOn);
}

QPushButton* Capturo::addToolButton(const QString& qsName, const QString& qsIcon, const char* pSlot,
                                    bool bSeparator, Qt::Alignment alignment)
{
    auto* pBtn = new QPushButton();
    pBtn->setObjectName(qsName);
    pBtn->setIcon(QIcon(qsIcon));
    pBtn->setFlat(true);
    connect(pBtn, SIGNAL(clicked()), this, pSlot);
    emit signalAddToolBtn(pBtn, bSeparator, alignment);
    return pBtn;
}

void Capturo::loadUI()
{
    m_pBackBtn = addToolButton("m_pBackBtn", ":/resources/back.png", SLOT(slotBack()), false, Qt::AlignLeft);
    m_pForwardBtn = addToolButton("m_pForwardBtn", ":/resources/forward.png", SLOT(slotForward()), true,
                                  Qt::AlignLeft);
    m_pPhotoBtn = addToolButton("photo", ":/resources/photo.png", SLOT(slotCameraBtn()), false,
                                Qt::AlignCenter);
    m_pContinuePhotoBtn = addToolButton("continuePhoto", ":/resources/con_photo.png",
                                        SLOT(slotContiusCameraBtn()), true, Qt::AlignCenter);
    m_pNarrowBtn = addToolButton("m_pNarrowBtn", ":/resources/narrow.png", SLOT(slotNarrow()), false,
                                 Qt::AlignRight);
    m_pExpandBtn = addToolButton("m_pExpandBtn", ":/resources/expand.png", SLOT(slotExpand()), true,
                                 Qt::AlignRight);
    m_pZoomAllBtn = addToolButton("m_pZoomAllBtn", ":/resources/zoomall.png", SLOT(slotFitIn()), false,
                                  Qt::AlignLeft);
    m_pRotateBtn = addToolButton("m_pRotateBtn", ":/resources/rotate.png", SLOT(slotRotate()), false,
                                 Qt::AlignLeft);
}

void Capturo::sendCommand(int nMsgId, const QString& strCamera)
{
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = nMsgId;
    if (!strCamera.isEmpty())
        plt.jsonData.insert("camera", strCamera);
    sendEvent(plt);
}

CapturoUI* Capturo::configUI() const
{
    return m_panels.value(m_strShownPanel);
}

void Capturo::slotCameraBtn()
{
    sendCommand(MSG_TAKE_PHOTO, m_pages.selected());
}

void Capturo::slotContiusCameraBtn()
{
    // The host makes tool-bar buttons checkable: the state after the click decides.
    const bool bStart = m_pContinuePhotoBtn && m_pContinuePhotoBtn->isChecked();
    const QString strCamera = m_pages.selected();
    m_pages.state(strCamera).bContinuous = bStart;
    sendCommand(bStart ? MSG_CONTINUOUS_START : MSG_CONTINUOUS_STOP, strCamera);
}

void Capturo::setContinuous(const QString& strCamera, bool bOn)
{
    m_pages.state(strCamera).bContinuous = bOn;
    // The host made the button checkable; the state is set without a click.
    if (m_pContinuePhotoBtn && m_pContinuePhotoBtn->isCheckable() && strCamera == m_strShownPanel)
        m_pContinuePhotoBtn->setChecked(bOn);
}

void Capturo::slotNarrow()
{
    if (CapturoUI* pPanel = configUI())
        pPanel->slotNarrow();
}

void Capturo::slotFitIn()
{
    if (CapturoUI* pPanel = configUI())
        pPanel->slotFitIn();
}

void Capturo::slotExpand()
{
    if (CapturoUI* pPanel = configUI())
        pPanel->slotExpand();
}

void Capturo::slotRotate()
{
    if (CapturoUI* pPanel = configUI())
        pPanel->slotRotate();
}

void Capturo::slotBack()
{
    if (CapturoUI* pPanel = configUI())
        pPanel->slotShowPreviousImage();
}

void Capturo::slotForward()
{
    if (CapturoUI* pPanel = configUI())
        pPanel->slotShowNextImage();
}

void Capturo::activatePage(QWidget* pContainer)
{
    if (!pContainer)
        return;
    QLayout* pLayout = pContainer->layout();
    if (!pLayout) {
        pLayout = new QVBoxLayout(pContainer);
        pLayout->setContentsMargins(0, 0, 0, 0);
    }
    m_pContainer = pContainer;
    // Panels that went with an earlier container are built afresh.
    bool bAny = false;
    for (const QPointer<CapturoUI>& pPanel : qAsConst(m_panels)) {
        if (pPanel) {
            pLayout->addWidget(pPanel);
            bAny = true;
        }
    }
    if (m_bUIInit && bAny) {
        showSelected();
        return;
    }
    m_bUIInit = true;
    m_panels.clear();
    if (m_pages.openCameras().isEmpty())
        ensurePanel(QString());
    for (const QString& strCamera : m_pages.openCameras())
        ensurePanel(strCamera);
    showSelected();
}

CapturoUI* Capturo::ensurePanel(const QString& strCamera)
{
    if (CapturoUI* pPanel = m_panels.value(strCamera))
        return pPanel;
    if (!m_pContainer)
        return nullptr;
    // The one page of the time before a camera was open becomes the first camera's.
    if (!strCamera.isEmpty() && m_panels.value(QString()) && strCamera == m_pages.firstOpen()) {
        CapturoUI* pPanel = m_panels.take(QString());
        m_panels.insert(strCamera, pPanel);
        pPanel->setProperty("camera", strCamera);
        if (m_strShownPanel.isEmpty())
            m_strShownPanel = strCamera;
        return pPanel;
    }
    auto* pPanel = new CapturoUI(m_pContainer);
    pPanel->setProperty("camera", strCamera);
    connect(pPanel, &CapturoUI::signalSendSignal, this, [this, pPanel](PluginMetaData plt) {
        // A command leaves for the camera whose panel made it.
        const QString strCamera = pPanel->property("camera").toString();
        if (!strCamera.isEmpty() && !plt.jsonData.contains("camera"))
            plt.jsonData.insert("camera", strCamera);
        slotSendSignal(plt);
    });
    connect(pPanel->viewOptions(), &ViewOptions::signalFiguresToggled, this, &Capturo::slotFiguresToggled);
    // Video mode takes the camera over: continuous shooting is not running then.
    connect(pPanel, &CapturoUI::signalVideoModeChanged, this, [this, pPanel](bool bOn) {
        if (bOn)
            setContinuous(pPanel->property("camera").toString(), false);
    });
    pPanel->hide();
    m_pContainer->layout()->addWidget(pPanel);
    m_panels.insert(strCamera, pPanel);
    // Statuses that came before the page opened: the camera's own, and the first panel
    // also those that named no camera.
    QStringList early{strCamera};
    if (m_panels.size() == 1 && !strCamera.isEmpty())
        early.prepend(QString());
    for (const QString& strKey : early)
        for (const QPair<QString, bool>& result : m_earlyResults.take(strKey))
            pPanel->addResult(result.first, result.second);
    readCamera(strCamera);
    return pPanel;
}

void Capturo::showSelected()
{
    QString strCamera = m_pages.selected();
    if (!m_panels.value(strCamera))
        strCamera = m_panels.contains(QString()) ? QString() : strCamera;
    CapturoUI* pShown = ensurePanel(strCamera);
    if (!pShown)
        return;
    const bool bSwitched = strCamera != m_strShownPanel;
    m_strShownPanel = strCamera;
    for (const QPointer<CapturoUI>& pPanel : qAsConst(m_panels))
        if (pPanel && pPanel != pShown)
            pPanel->hide();
    pShown->show();
    if (!bSwitched)
        return;
    // The tool bar and the figures follow the camera now shown.
    CameraPages::CameraState& state = m_pages.state(strCamera);
    if (m_pContinuePhotoBtn)
        m_pContinuePhotoBtn->setChecked(state.bContinuous);
    m_pFigures->restart();
    if (!state.lastFrame.isNull()) {
        if (pShown->showCameraFrame(QPixmap::fromImage(state.lastFrame, Qt::AutoColor), state.strLastKey))
            ++state.nFramesShown;
        state.lastFrame = QImage();
    }
}

void Capturo::readCamera(const QString& strCamera)
{
    const quint64 nRangesBefore = m_pages.state(strCamera).nRangesReplies;
    // A read whose ranges never came is superseded by this one.
    m_pages.state(strCamera).bRangedReadsDue = false;
    sendCommand(MSG_GET_CAMERA_INFO, strCamera);
    sendCommand(MSG_GET_CAMERA_PARAMS, strCamera);
    // The parameter set holds neither the trigger type (the edge of an external
    // trigger) nor the debounce time; each has a read of its own, sent only to a
    // camera whose ranges show it has the feature (a camera without one would list
    // a failed read at every opening). The ranges may have come already.
    CameraPages::CameraState& state = m_pages.state(strCamera);
    if (state.nRangesReplies != nRangesBefore)
        readRanged(strCamera);
    else
        state.bRangedReadsDue = true;
}

void Capturo::readRanged(const QString& strCamera)
{
    CameraPages::CameraState& state = m_pages.state(strCamera);
    state.bRangedReadsDue = false;
    const bool bHasDebouncer = state.bHasDebouncer;
    if (state.bHasActivation)
        sendCommand(MSG_GET_TRIGGER_TYPE, strCamera);
    if (bHasDebouncer)
        sendCommand(MSG_GET_DEBOUNCE, strCamera);
}

void Capturo::cameraOpened(const PluginMetaData& plt)
{
    const QString strCamera = plt.jsonData.value("camera").toString();
    if (strCamera.isEmpty())
        return;
    const bool bKnown = m_panels.value(strCamera);
    m_pages.opened(strCamera, plt.jsonData.value("caption").toString());
    CapturoUI* pPanel = ensurePanel(strCamera);
    // Opened again: its ranges and values may have changed meanwhile.
    if (bKnown && pPanel)
        readCamera(strCamera);
    if (m_pContainer)
        showSelected();
}

void Capturo::slotEventFromPlugins(PluginMetaData plt)
{
    m_pUIObject = plt.pHandle;
    if (plt.nModule != MODULE_CAPTURO)
        return;
    switch (plt.nMsgId) {
    case MSG_PAGE_ACTIVATED: activatePage(plt.pHandle); return;
    case MSG_OPEN_CAMERA:
        if (plt.jsonData.value("success").toInt() == 1)
            cameraOpened(plt);
        return;
    case MSG_CLOSE_CAMERA:
        if (plt.jsonData.value("success").toInt() == 1) {
            m_pages.closed(plt.jsonData.value("camera").toString());
            if (m_pContainer && !m_pages.openCameras().isEmpty())
                showSelected();
        }
        return;
    case MSG_CAMERA_SELECTED:
        // Only the page changes: nothing goes to either camera.
        m_pages.select(plt.jsonData.value("camera").toString());
        if (m_pContainer)
            showSelected();
        return;
    default: break;
    }

    const QString strCamera = m_pages.cameraOf(plt.jsonData);
    CapturoUI* pPanel = m_panels.value(strCamera);
    if (!pPanel && m_pages.openCameras().isEmpty())
        pPanel = m_panels.value(QString());
    // A status about a camera no longer open (closed while it was shooting, say) is
    // for the operator looking at the page now, not for a page no tab shows.
    if (plt.nMsgId == MSG_RESULT && !strCamera.isEmpty() && !m_pages.isOpen(strCamera) && configUI())
        pPanel = configUI();
    // Frames, results and replies can come before the page was first shown: the
    // newest statuses wait for it (a connection outcome, a save failure), the rest goes.
    if (!pPanel) {
        if (plt.nMsgId == MSG_RESULT && !m_bUIInit) {
            std::deque<QPair<QString, bool>>& early = m_earlyResults[strCamera];
            early.emplace_back(plt.jsonData.value("result").toString(),
                               plt.jsonData.value("success").toInt() == 1);
            if (early.size() > size_t(kMaxEarlyResults))
                early.pop_front();
        }
        return;
    }
    routeToPanel(pPanel, strCamera, plt);
}

void Capturo::routeToPanel(CapturoUI* pPanel, const QString& strCamera, const PluginMetaData& plt)
{
    const bool bShown = pPanel == configUI();
    switch (plt.nMsgId) {
    case MSG_CORE_CONNECTED:
        // A core reached late or again: its ranges and values, as on opening.
        readCamera(strCamera);
        if (plt.jsonData.contains("continuous"))
            setContinuous(strCamera, plt.jsonData.value("continuous").toBool());
        break;
    case MSG_FRAME: {
        CameraPages::CameraState& state = m_pages.state(strCamera);
        ++state.nFramesReceived;
        // A page not shown does no display work: its newest frame waits for the page.
        if (!bShown) {
            state.lastFrame = plt.varData.value<QImage>();
            state.strLastKey = plt.jsonData.value("key").toString();
            break;
        }
        const QImage image = plt.varData.value<QImage>();
        if (pPanel->showCameraFrame(QPixmap::fromImage(image, Qt::AutoColor),
                                    plt.jsonData.value("key").toString())) {
            ++state.nFramesShown;
            m_pFigures->frameShown();
        }
        break;
    }
    case MSG_FRAME_SAVED:
        pPanel->addSavedFrame(QPixmap::fromImage(plt.varData.value<QImage>()),
                              plt.jsonData.value("name").toString());
        break;
    case MSG_FIGURES:
        m_pages.state(strCamera).lastFigures = plt.jsonData;
        if (bShown)
            m_pFigures->addTotals(plt.jsonData);
        break;
    case MSG_RESULT: {
        const QString qsText = plt.jsonData.value("result").toString();
        const bool bSuccess = plt.jsonData.value("success").toInt() == 1;
        pPanel->addResult(qsText, bSuccess);
        if (!bSuccess && plt.jsonData.contains("reason"))
            pPanel->addReason(plt.jsonData.value("reason").toString());
        // A start the camera refused leaves nothing shooting.
        if (!bSuccess
            && (qsText == QString::fromUtf8(kContinuousStartText)
                || qsText == QString::fromUtf8(kContinuousPhotoText)))
            setContinuous(strCamera, false);
        break;
    }
    case MSG_GET_CAMERA_INFO: {
        qRegisterMetaType<CameraInfo>("CameraInfo");
        const CameraInfo info = plt.varData.value<CameraInfo>();
        const double dGainMax = info.fGainMax;
        pPanel->addResult(tr("增益:") + QString::number(dGainMax, 'g', 6), true);
        pPanel->applyCameraInfo(info);
        CameraPages::CameraState& state = m_pages.state(strCamera);
        ++state.nRangesReplies;
        // A camera without a debouncer reports the range 0 to 0.
        state.bHasDebouncer = info.nDebounceMin != 0 || info.nDebounceMax != 0;
        // Said beside the record; a service that does not say leaves the read in place.
        state.bHasActivation = plt.jsonData.value("trigger_activation").toBool(true);
        if (state.bRangedReadsDue)
            readRanged(strCamera);
        break;
    }
    case MSG_GET_CAMERA_PARAMS: {
        CameraParams params;
        params.fGain = static_cast<float>(plt.jsonData.value("gain").toDouble());
        params.nExposure = plt.jsonData.value("exposure").toInt();
        params.nTriggerMode = truncToInt(plt.jsonData.value("trigger_mode").toDouble());
        params.fTriggerGap = static_cast<float>(plt.jsonData.value("trigger_gap").toDouble());
        pPanel->applyCameraParams(params);
        break;
    }
    case MSG_GET_TRIGGER_TYPE: {
        bool bOk = false;
        const int nType = plt.varData.toInt(&bOk);
        if (bOk)
            pPanel->applyTriggerType(nType);
        break;
    }
    case MSG_GET_DEBOUNCE: {
        // A read that found nothing carries no value: the field keeps what it shows.
        bool bOk = false;
        const int nMilliseconds = plt.varData.toInt(&bOk);
        if (plt.varData.isValid() && bOk)
            pPanel->applyDebounce(nMilliseconds);
        break;
    }
    default: break;
    }
}
