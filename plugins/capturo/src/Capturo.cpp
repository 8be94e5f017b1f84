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

QPushButton* Capturo::addToolButton(const QString& qsName, const QString& qsIcon, const char* pSlot, bool bSeparator,
                                    Qt::Alignment alignment)
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
    m_pForwardBtn = addToolButton("m_pForwardBtn", ":/resources/forward.png", SLOT(slotForward()), true, Qt::AlignLeft);
    m_pPhotoBtn = addToolButton("photo", ":/resources/photo.png", SLOT(slotCameraBtn()), false, Qt::AlignCenter);
    m_pContinuePhotoBtn =
        addToolButton("continuePhoto", ":/resources/con_photo.png", SLOT(slotContiusCameraBtn()), true, Qt::AlignCenter);
    m_pNarrowBtn = addToolButton("m_pNarrowBtn", ":/resources/narrow.png", SLOT(slotNarrow()), false, Qt::AlignRight);
    m_pExpandBtn = addToolButton("m_pExpandBtn", ":/resources/expand.png", SLOT(slotExpand()), true, Qt::AlignRight);
    m_pZoomAllBtn = addToolButton("m_pZoomAllBtn", ":/resources/zoomall.png", SLOT(slotFitIn()), false, Qt::AlignLeft);
    m_pRotateBtn = addToolButton("m_pRotateBtn", ":/resources/rotate.png", SLOT(slotRotate()), false, Qt::AlignLeft);
}

void Capturo::sendCommand(int nMsgId)
{
    PluginMetaData plt;
    plt.nModule = MODULE_SERVICE;
    plt.nMsgId = nMsgId;
    sendEvent(plt);
}

void Capturo::slotCameraBtn()
{
    sendCommand(MSG_TAKE_PHOTO);
}

void Capturo::slotContiusCameraBtn()
{
    // The host makes tool-bar buttons checkable: the state after the click decides.
    const bool bStart = m_pContinuePhotoBtn && m_pContinuePhotoBtn->isChecked();
    sendCommand(bStart ? MSG_CONTINUOUS_START : MSG_CONTINUOUS_STOP);
}

void Capturo::slotNarrow()
{
    if (m_pConfigUI)
        m_pConfigUI->slotNarrow();
}

void Capturo::slotFitIn()
{
    if (m_pConfigUI)
        m_pConfigUI->slotFitIn();
}

void Capturo::slotExpand()
{
    if (m_pConfigUI)
        m_pConfigUI->slotExpand();
}

void Capturo::slotRotate()
{
    if (m_pConfigUI)
        m_pConfigUI->slotRotate();
}

void Capturo::slotBack()
{
    if (m_pConfigUI)
        m_pConfigUI->slotShowPreviousImage();
}

void Capturo::slotForward()
{
    if (m_pConfigUI)
        m_pConfigUI->slotShowNextImage();
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
    // A panel that went with an earlier container is built afresh.
    if (m_bUIInit && m_pConfigUI) {
        pLayout->addWidget(m_pConfigUI);
        return;
    }
    m_bUIInit = true;
    m_pConfigUI = new CapturoUI(pContainer);
    connect(m_pConfigUI, SIGNAL(signalSendSignal(PluginMetaData)), this, SLOT(slotSendSignal(PluginMetaData)));
    connect(m_pConfigUI->viewOptions(), &ViewOptions::signalFiguresToggled, this, &Capturo::slotFiguresToggled);
    pLayout->addWidget(m_pConfigUI);
    for (const QPair<QString, bool>& result : m_earlyResults)
        m_pConfigUI->addResult(result.first, result.second);
    m_earlyResults.clear();
    readCamera();
}

void Capturo::readCamera()
{
    sendCommand(MSG_GET_CAMERA_INFO);
    sendCommand(MSG_GET_CAMERA_PARAMS);
    // The parameter set leaves the debounce time out; it has a read of its own.
    sendCommand(MSG_GET_DEBOUNCE);
}

void Capturo::slotEventFromPlugins(PluginMetaData plt)
{
    m_pUIObject = plt.pHandle;
    if (plt.nModule != MODULE_CAPTURO)
        return;
    if (plt.nMsgId == MSG_PAGE_ACTIVATED) {
        activatePage(plt.pHandle);
        return;
    }
    // Frames, results and replies can come before the page was first shown: the
    // newest statuses wait for it (a connection outcome, a save failure), the rest goes.
    if (!m_pConfigUI) {
        if (plt.nMsgId == MSG_RESULT && !m_bUIInit) {
            m_earlyResults.emplace_back(plt.jsonData.value("result").toString(),
                                        plt.jsonData.value("success").toInt() == 1);
            if (m_earlyResults.size() > size_t(kMaxEarlyResults))
                m_earlyResults.pop_front();
        }
        return;
    }

    switch (plt.nMsgId) {
    case MSG_CORE_CONNECTED:
        // A core reached late or again: its ranges and values, as on opening.
        readCamera();
        break;
    case MSG_FRAME: {
        const QImage image = plt.varData.value<QImage>();
        if (m_pConfigUI->showCameraFrame(QPixmap::fromImage(image, Qt::AutoColor), plt.jsonData.value("key").toString()))
            m_pFigures->frameShown();
        break;
    }
    case MSG_FRAME_SAVED:
        m_pConfigUI->addSavedFrame(QPixmap::fromImage(plt.varData.value<QImage>()),
                                   plt.jsonData.value("name").toString());
        break;
    case MSG_FIGURES:
        m_pFigures->addTotals(plt.jsonData);
        break;
    case MSG_RESULT:
        m_pConfigUI->addResult(plt.jsonData.value("result").toString(), plt.jsonData.value("success").toInt() == 1);
        break;
    case MSG_GET_CAMERA_INFO: {
        qRegisterMetaType<CameraInfo>("CameraInfo");
        const CameraInfo info = plt.varData.value<CameraInfo>();
        const double dGainMax = info.fGainMax;
        m_pConfigUI->addResult(tr("增益:") + QString::number(dGainMax, 'g', 6), true);
        m_pConfigUI->applyCameraInfo(info);
        break;
    }
    case MSG_GET_CAMERA_PARAMS: {
        CameraParams params;
        params.fGain = static_cast<float>(plt.jsonData.value("gain").toDouble());
        params.nExposure = plt.jsonData.value("exposure").toInt();
        params.nTriggerMode = truncToInt(plt.jsonData.value("trigger_mode").toDouble());
        params.fTriggerGap = static_cast<float>(plt.jsonData.value("trigger_gap").toDouble());
        m_pConfigUI->applyCameraParams(params);
        break;
    }
    case MSG_GET_DEBOUNCE: {
        // A read that found nothing carries no value: the field keeps what it shows.
        bool bOk = false;
        const int nMilliseconds = plt.varData.toInt(&bOk);
        if (plt.varData.isValid() && bOk)
            m_pConfigUI->applyDebounce(nMilliseconds);
        break;
    }
    default:
        break;
    }
}
