#include "RpcService.h"

#include "CameraInfoMetaType.h"
#include "corelink/CCommFactoryRPC.h"
#include "corelink/InitLog.h"
#include "framework/DTLog.h"
#include "framework/PluginMessages.h"

#include <QSettings>

#include <atomic>

namespace {

// The core runs beside the client unless config.ini says otherwise.
const char* const kDefaultAddress = "127.0.0.1:20020";

// Plugin instances can be deleted during exit after this library's statics are.
std::atomic<bool> g_bAlive{false};

// Stores what the getter read, and nothing when the core did not answer.
template <typename T, typename Getter>
bool readInto(Getter getter, QVariant* value)
{
    T result{};
    if (getter(&result) != 0)
        return false;
    *value = QVariant::fromValue(result);
    return true;
}

} // namespace

RpcService& RpcService::instance()
{
    static RpcService service;
    return service;
}

RpcService::RpcService()
{
    DTLog::instance().init(QString(), "RpcService");
    DTLog::instance().write(QtInfoMsg, "初始化Rpc服务");
    initLog("vision_core_client", "Logs/log_vision_core_client.txt", 0, true);

    QSettings settings("config.ini", QSettings::IniFormat);
    m_strAddress = settings.value("ip", kDefaultAddress).toString();

    Json::Value connection(Json::objectValue);
    connection["rpc"] = Json::Value(Json::objectValue);
    connection["rpc"]["ip"] = m_strAddress.toUtf8().toStdString();

    m_pComm = CCommFactoryRPC::instance().create(1);
    if (m_pComm && m_pComm->init(connection) == 0)
        m_bConnected = true;
    g_bAlive = true;
}

RpcService::~RpcService()
{
    g_bAlive = false;
    if (m_pComm)
        m_pComm->uninit();
    m_strAddress.clear();
    m_pComm.reset();
}

bool RpcService::init(FrameCallback frame, ResultCallback result, MessageCallback message)
{
    if (!m_bConnected)
        return false;
    if (auto pCamera = camera())
        pCamera->setFrameCallback(std::move(frame));
    m_pComm->setResultCallback(std::move(result));
    m_pComm->setMessageCallback(std::move(message));
    return true;
}

void RpcService::setRejectedFrameCallback(RejectedFrameCallback rejected)
{
    if (!m_bConnected)
        return;
    if (auto pCamera = camera())
        pCamera->setRejectedFrameCallback(std::move(rejected));
}

void RpcService::detach()
{
    if (!g_bAlive)
        return;
    RpcService& rpc = instance();
    if (!rpc.m_bConnected)
        return;
    if (auto pCamera = rpc.camera()) {
        pCamera->setFrameCallback(FrameCallback());
        pCamera->setRejectedFrameCallback(RejectedFrameCallback());
    }
    rpc.m_pComm->setResultCallback(ResultCallback());
    rpc.m_pComm->setMessageCallback(MessageCallback());
}

bool RpcService::notifyLoadUI(int* pState)
{
    if (m_pComm)
        m_pComm->notifyLoadUI(pState);
    return true;
}

std::shared_ptr<CCameraBase> RpcService::camera() const
{
    return m_pComm ? m_pComm->camera() : nullptr;
}

bool RpcService::takePhoto()
{
    const auto pCamera = camera();
    return pCamera && pCamera->takePhoto() == 0;
}

bool RpcService::startContinuous()
{
    const auto pCamera = camera();
    return pCamera && pCamera->startContinuous() == 0;
}

bool RpcService::stopContinuous()
{
    const auto pCamera = camera();
    return pCamera && pCamera->stopContinuous() == 0;
}

bool RpcService::startVideo()
{
    const auto pCamera = camera();
    return pCamera && pCamera->startVideo() == 0;
}

bool RpcService::stopVideo()
{
    const auto pCamera = camera();
    return pCamera && pCamera->stopVideo() == 0;
}

bool RpcService::setCameraParam(int nIndex, const QVariant& value)
{
    const auto pCamera = camera();
    if (!pCamera)
        return false;
    switch (nIndex) {
    case PARAM_GAIN: return pCamera->setGain(value.toFloat()) == 0;
    case PARAM_EXPOSURE: return pCamera->setExposure(value.toUInt()) == 0;
    case PARAM_TRIGGER_GAP: return pCamera->setTriggerGap(value.toFloat()) == 0;
    case PARAM_TRIGGER_MODE: return pCamera->setTriggerMode(value.toInt()) == 0;
    case PARAM_DEBOUNCE: return pCamera->setDebounceTime(value.toInt()) == 0;
    default: return false;
    }
}

bool RpcService::getCameraParam(int nIndex, QVariant* value)
{
    const auto pCamera = camera();
    if (!pCamera || !value)
        return false;
    CCameraBase* p = pCamera.get();
    switch (nIndex) {
    case PARAM_GAIN: return readInto<float>([p](float* v) { return p->getGain(v); }, value);
    case PARAM_EXPOSURE: return readInto<unsigned>([p](unsigned* v) { return p->getExposure(v); }, value);
    case PARAM_TRIGGER_GAP: return readInto<float>([p](float* v) { return p->getTriggerGap(v); }, value);
    case PARAM_TRIGGER_MODE: return readInto<int>([p](int* v) { return p->getTriggerMode(v); }, value);
    case PARAM_DEBOUNCE: return readInto<int>([p](int* v) { return p->getDebounceTime(v); }, value);
    default: return false;
    }
}

bool RpcService::getCameraInfo(QVariant* value)
{
    const auto pCamera = camera();
    if (!pCamera || !value)
        return false;
    registerCameraInfoMetaType();
    CameraInfo info;
    if (pCamera->getCameraInfo(&info) != 0)
        return false;
    *value = QVariant::fromValue(info);
    return true;
}
