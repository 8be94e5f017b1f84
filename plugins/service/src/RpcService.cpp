#include "RpcService.h"

#include "CameraInfoMetaType.h"
#include "CameraParamValue.h"
#include "corelink/CCommFactoryRPC.h"
#include "corelink/InitLog.h"
#include "framework/DTLog.h"
#include "framework/PluginMessages.h"

#include <QSettings>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// The core runs beside the client unless config.ini says otherwise.
const char* const kDefaultAddress = "127.0.0.1:20020";

// How long a list waits for the first connection's outcome.
constexpr int kListWaitMs = 3000;

// Plugin instances can be deleted during exit after this library's statics are.
std::atomic<bool> g_bAlive{false};

// Where the client library gave no camera there is no core's word either.
void giveReason(bool bOk, bool bHadCamera, const std::string& strReason, QString* pReason)
{
    if (bOk || !pReason)
        return;
    *pReason = bHadCamera ? QString::fromStdString(strReason) : QStringLiteral("no camera object");
}

} // namespace

RpcService& RpcService::instance()
{
    static RpcService service;
    return service;
}

RpcService::RpcService()
    : m_gate([this] {
        if (m_pComm)
            m_pComm->uninit();
    })
{
    DTLog::instance().init(QString(), "RpcService");
    DTLog::instance().write(QtInfoMsg, "初始化Rpc服务");
    initLog("vision_core_client", "Logs/log_vision_core_client.txt", 0, true);

    QSettings settings("config.ini", QSettings::IniFormat);
    m_strAddress = settings.value("ip", kDefaultAddress).toString();
    // A comma-separated value reads as a list; one id as a string.
    for (const QString& strId : settings.value("cameras").toStringList().join(',').split(',')) {
        const QString strTrimmed = strId.trimmed();
        if (!strTrimmed.isEmpty() && !m_startCameras.contains(strTrimmed))
            m_startCameras << strTrimmed;
    }
    m_pSecurity = std::make_unique<LinkSecurity>(settings, m_strAddress);

    m_connection = Json::Value(Json::objectValue);
    m_connection["rpc"] = Json::Value(Json::objectValue);
    m_connection["rpc"]["ip"] = m_strAddress.toUtf8().toStdString();
    m_pSecurity->addTo(&m_connection["rpc"]);

    m_pComm = CCommFactoryRPC::instance().create(1);
    g_bAlive = true;
}

RpcService::~RpcService()
{
    g_bAlive = false;
    // No new connection attempt starts, and one in flight gives up, so the
    // keeper ends at once; the connection is ended by one uninit either way.
    m_gate.close();
    m_keeper.stop();
    m_gate.finish();
    m_strAddress.clear();
    m_pComm.reset();
}

void RpcService::init(FrameCallback frame, ResultCallback result, MessageCallback message,
                      RejectedFrameCallback rejected, EventListener listener)
{
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        m_frame = std::move(frame);
        m_result = std::move(result);
        m_message = std::move(message);
        m_rejected = std::move(rejected);
        m_listener = std::move(listener);
        if (m_bRegistered)
            registerCallbacks();
        if (m_listener && m_bRegistered)
            m_listener(Event::Connected, true);
        else if (m_listener && m_bFailedOnce)
            m_listener(Event::ConnectFailed, false);
    }
    if (!m_pComm || !m_pSecurity->usable()) {
        // No client library object, or certificate files that cannot serve:
        // nothing will ever connect.
        m_bFailedOnce = true;
        tell(Event::ConnectFailed, false);
        return;
    }
    CoreKeeper::Hooks hooks;
    hooks.connect = [this] { return connectOnce(); };
    hooks.restore = [this] { return restore(); };
    hooks.report = [this](Event event, bool bRestored) { tell(event, bRestored); };
    m_keeper.start(std::move(hooks));
}

bool RpcService::connectOnce()
{
    if (!m_gate.beginAttempt())
        return false;
    const int nResult = m_pComm->init(m_connection);
    m_gate.endAttempt();
    // Retries repeat the same failure: its line is logged once.
    const int nPrevious = m_nLastInit.exchange(nResult);
    if (nResult != 0) {
        if (nResult != nPrevious && LinkSecurity::initFailureText(nResult))
            DTLog::instance().write(QtWarningMsg, QString::fromUtf8(LinkSecurity::initFailureText(nResult)));
        return false;
    }
    m_pComm->setLinkCallback([this](bool bUp) { m_keeper.linkChanged(bUp); });
    {
        std::lock_guard<std::mutex> lock(m_callbackMutex);
        registerCallbacks();
        m_bRegistered = true;
        m_bConnected = true;
        m_bFailedOnce = false;
    }
    DTLog::instance().write(
        QtInfoMsg, QString::fromUtf8(QT_TRANSLATE_NOOP("Service", "已连接视觉核心 %1")).arg(m_strAddress));
    return true;
}

// Under m_callbackMutex: the callbacks go to the core in the documented order.
void RpcService::registerCallbacks()
{
    if (auto pCamera = camera(QString()))
        pCamera->setFrameCallback(m_frame);
    m_pComm->setResultCallback(m_result);
    m_pComm->setMessageCallback(m_message);
    if (auto pCamera = camera(QString()))
        pCamera->setRejectedFrameCallback(m_rejected);
    for (const auto& entry : m_cameraCallbacks) {
        if (auto pCamera = camera(entry.first)) {
            pCamera->setFrameCallback(entry.second.first);
            pCamera->setRejectedFrameCallback(entry.second.second);
        }
    }
    for (const auto& entry : m_skippedCallbacks) {
        if (auto pCamera = camera(entry.first))
            pCamera->setSkippedFramesCallback(entry.second);
    }
}

void RpcService::setSkippedCallback(const QString& strCamera, SkippedFramesCallback skipped)
{
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_skippedCallbacks[strCamera] = skipped;
    if (auto pCamera = camera(strCamera))
        pCamera->setSkippedFramesCallback(skipped);
}

void RpcService::setCameraCallbacks(const QString& strCamera, FrameCallback frame,
                                    RejectedFrameCallback rejected)
{
    if (strCamera.isEmpty())
        return;
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    m_cameraCallbacks[strCamera] = {frame, rejected};
    if (auto pCamera = camera(strCamera)) {
        pCamera->setFrameCallback(frame);
        pCamera->setRejectedFrameCallback(rejected);
    }
}

// The core link opens this client's cameras again by itself; each gets back
// what the operator set on it. The connection's own camera is restored only
// while no camera is open, since it then stands for the core's first camera.
bool RpcService::restore()
{
    const QStringList open = openCameras();
    QStringList targets = open;
    if (targets.isEmpty())
        targets << QString();
    bool bRestored = true;
    for (const QString& strCamera : targets) {
        const auto pCamera = camera(strCamera);
        if (!pCamera)
            return false;
        bool bContinuous = false;
        bRestored = operatorSettings(strCamera).restore(*pCamera, &bContinuous) && bRestored;
        std::lock_guard<std::mutex> lock(m_cameraMutex);
        m_continuousRestored[strCamera] = bContinuous;
    }
    if (m_bUILoaded) {
        int nState = 0;
        m_pComm->notifyLoadUI(&nState);
    }
    return bRestored;
}

OperatorSettings& RpcService::operatorSettings(const QString& strCamera)
{
    std::lock_guard<std::mutex> lock(m_cameraMutex);
    std::unique_ptr<OperatorSettings>& pSettings = m_settings[strCamera];
    if (!pSettings)
        pSettings = std::make_unique<OperatorSettings>();
    return *pSettings;
}

bool RpcService::continuousRestored(const QString& strCamera) const
{
    std::lock_guard<std::mutex> lock(m_cameraMutex);
    const auto it = m_continuousRestored.find(strCamera);
    return it != m_continuousRestored.end() && it->second;
}

int RpcService::listCameras(std::vector<CameraListing>* pCameras, bool bRefresh)
{
    // The home page asks as the window comes up, while the first connection may
    // still be under way: its outcome is awaited, not taken for a core that is away.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(kListWaitMs);
    while (m_pComm && !m_bConnected && !m_bFailedOnce && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!m_pComm || !m_bConnected)
        return -1;
    return m_pComm->listCameras(pCameras, bRefresh);
}

int RpcService::openCamera(const QString& strCamera, CameraListing* pListing)
{
    if (!m_pComm)
        return -1;
    const int nResult = m_pComm->openCamera(strCamera.toStdString(), pListing);
    if (nResult != 0)
        return nResult;
    bool bFirst = false;
    {
        std::lock_guard<std::mutex> lock(m_cameraMutex);
        bFirst = m_open.isEmpty();
        if (!m_open.contains(strCamera))
            m_open << strCamera;
    }
    // What was asked of the core's first camera before any was opened now
    // belongs to the camera that commands naming none address.
    if (bFirst)
        operatorSettings(strCamera).takeOver(operatorSettings(QString()));
    return nResult;
}

int RpcService::closeCamera(const QString& strCamera)
{
    {
        std::lock_guard<std::mutex> lock(m_cameraMutex);
        m_open.removeAll(strCamera);
    }
    // A camera opened again later starts idle, as the core starts it.
    operatorSettings(strCamera).recordContinuous(false);
    operatorSettings(strCamera).recordVideo(false);
    return m_pComm ? m_pComm->closeCamera(strCamera.toStdString()) : -1;
}

QStringList RpcService::openCameras() const
{
    std::lock_guard<std::mutex> lock(m_cameraMutex);
    return m_open;
}

QString RpcService::firstOpenCamera() const
{
    std::lock_guard<std::mutex> lock(m_cameraMutex);
    return m_open.isEmpty() ? QString() : m_open.first();
}

bool RpcService::isOpen(const QString& strCamera) const
{
    std::lock_guard<std::mutex> lock(m_cameraMutex);
    return m_open.contains(strCamera);
}

void RpcService::tell(Event event, bool bRestored)
{
    if (event == Event::ConnectFailed)
        m_bFailedOnce = true;
    else if (event == Event::Lost || event == Event::Reconnected)
        m_bConnected = event == Event::Reconnected;
    std::lock_guard<std::mutex> lock(m_callbackMutex);
    if (m_listener)
        m_listener(event, bRestored);
}

void RpcService::detach()
{
    if (!g_bAlive)
        return;
    RpcService& rpc = instance();
    {
        std::lock_guard<std::mutex> lock(rpc.m_callbackMutex);
        rpc.m_frame = FrameCallback();
        rpc.m_result = ResultCallback();
        rpc.m_message = MessageCallback();
        rpc.m_rejected = RejectedFrameCallback();
        rpc.m_listener = EventListener();
        for (auto& entry : rpc.m_cameraCallbacks)
            entry.second = {FrameCallback(), RejectedFrameCallback()};
        for (auto& entry : rpc.m_skippedCallbacks)
            entry.second = SkippedFramesCallback();
        if (rpc.m_bRegistered)
            rpc.registerCallbacks();
    }
}

bool RpcService::notifyLoadUI(int* pState)
{
    m_bUILoaded = true;
    if (m_pComm)
        m_pComm->notifyLoadUI(pState);
    return true;
}

std::shared_ptr<CCameraBase> RpcService::camera(const QString& strCamera) const
{
    if (!m_pComm)
        return nullptr;
    return strCamera.isEmpty() ? m_pComm->camera() : m_pComm->camera(strCamera.toStdString());
}

bool RpcService::command(CameraCommand command, const QString& strCamera, QString* pReason)
{
    // What runs is kept as the operator's intent, for the restore.
    switch (command) {
    case CameraCommand::StartContinuous:
    case CameraCommand::StopContinuous:
        operatorSettings(strCamera).recordContinuous(command == CameraCommand::StartContinuous);
        break;
    case CameraCommand::StartVideo:
    case CameraCommand::StopVideo:
        operatorSettings(strCamera).recordVideo(command == CameraCommand::StartVideo);
        break;
    case CameraCommand::TakePhoto: break;
    }
    const auto pCamera = camera(strCamera);
    std::string strReason;
    const bool bOk = pCamera && pCamera->runCommand(command, &strReason) == 0;
    giveReason(bOk, pCamera != nullptr, strReason, pReason);
    return bOk;
}

bool RpcService::setParam(const CameraParam& param, const QVariant& value, const QString& strCamera,
                          QString* pReason)
{
    // Kept even when the core refused it: it is refused again, harmlessly,
    // when the core comes back, and a value sent while the core was away
    // takes effect then.
    operatorSettings(strCamera).recordParam(param.nIndex, value);
    const auto pCamera = camera(strCamera);
    std::string strReason;
    const bool bOk = pCamera && applyCameraParam(*pCamera, param, value, &strReason) == 0;
    giveReason(bOk, pCamera != nullptr, strReason, pReason);
    return bOk;
}

bool RpcService::getParam(const CameraParam& param, QVariant* value, const QString& strCamera,
                          QString* pReason)
{
    const auto pCamera = camera(strCamera);
    if (!value)
        return false;
    std::string strReason;
    ParamNumber number;
    const bool bOk = pCamera && pCamera->getParam(param, &number, &strReason) == 0;
    giveReason(bOk, pCamera != nullptr, strReason, pReason);
    if (bOk)
        *value = paramToVariant(number);
    return bOk;
}

bool RpcService::setCameraParam(int nIndex, const QVariant& value)
{
    const CameraParam* pParam = camera_params::byIndex(nIndex);
    return pParam && setParam(*pParam, value);
}

bool RpcService::getCameraParam(int nIndex, QVariant* value)
{
    const CameraParam* pParam = camera_params::byIndex(nIndex);
    return pParam && getParam(*pParam, value);
}

bool RpcService::getCameraInfo(QVariant* value, const QString& strCamera, bool* pHasActivation)
{
    const auto pCamera = camera(strCamera);
    if (!pCamera || !value)
        return false;
    registerCameraInfoMetaType();
    CameraInfo info;
    if (pCamera->getCameraInfo(&info) != 0)
        return false;
    *value = QVariant::fromValue(info);
    if (pHasActivation != nullptr)
        *pHasActivation = pCamera->hasTriggerActivation();
    return true;
}
