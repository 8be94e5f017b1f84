#include "Service.h"

#include "CameraListingJson.h"
#include "CoreErrorText.h"
#include "RpcService.h"
#include "framework/DTLog.h"
#include "framework/PluginMessages.h"

#include <QCoreApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <cstring>

// The resource's initialiser lives in the global namespace, so this helper does too.
static void registerServiceResources()
{
    Q_INIT_RESOURCE(service_core_icons);
}

namespace {

// A core that lists no cameras answers the list as unimplemented.
constexpr int kUnimplemented = 12;
const char* const kLostText = QT_TRANSLATE_NOOP("Service", "与视觉核心的连接已断开，正在重新连接");
const char* const kReconnectedText = QT_TRANSLATE_NOOP("Service", "已重新连接视觉核心，相机设置已恢复");
// Said when not every setting went back: the restore is not claimed.
const char* const kReconnectedOnlyText = QT_TRANSLATE_NOOP("Service", "已重新连接视觉核心");
const char* const kRestoreFailedText = QT_TRANSLATE_NOOP("Service", "部分相机设置未能恢复");

} // namespace

Service::Service(QObject*)
    : m_handOff("test.bmp")
{
    m_pUIObject = nullptr;
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    m_nLoadState = 1;
    connect(&m_figuresTimer, &QTimer::timeout, this, &Service::sendFigures);
    registerServiceResources();
    // The connection's own camera: the core's first one while none is open.
    cameraFor(QString()).setHandOff(true);
    init();
    // The core's threads outlive the application object in a plain exit; stop
    // them calling into Qt once it is gone.
    if (QCoreApplication* pApp = QCoreApplication::instance())
        connect(pApp, &QObject::destroyed, this, [] { RpcService::detach(); });
}

// The core would otherwise keep calling into a deleted object.
Service::~Service()
{
    RpcService::detach();
}

StationCamera& Service::cameraFor(const QString& strCamera)
{
    StationCamera* pStation = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_camerasMutex);
        std::unique_ptr<StationCamera>& pCamera = m_cameras[strCamera];
        if (pCamera)
            return *pCamera;
        pCamera = std::make_unique<StationCamera>(
            strCamera, &m_handOff, kFramesInFlight,
            [this](const PluginMetaData& plt) { emit sendSignalToPlugins(plt); });
        pStation = pCamera.get();
    }
    // Before the camera is opened, so its first frame finds it.
    RpcService::instance().setSkippedCallback(
        strCamera, [pStation](std::uint64_t nTotal) { pStation->onSkippedFrames(nTotal); });
    if (!strCamera.isEmpty()) {
        using namespace std::placeholders;
        RpcService::instance().setCameraCallbacks(
            strCamera, std::bind(&StationCamera::onFrame, pStation, _1),
            [pStation](std::uint64_t nTotal, const std::string&) { pStation->onRejectedFrames(nTotal); });
    }
    return *pStation;
}

QString Service::commandTarget(const QJsonObject& json)
{
    const QString strCamera = json.value("camera").toString();
    return strCamera.isEmpty() ? RpcService::instance().firstOpenCamera() : strCamera;
}

QStringList Service::activeCameras() const
{
    const QStringList open = RpcService::instance().openCameras();
    return open.isEmpty() ? QStringList{QString()} : open;
}

qulonglong Service::total(quint64 (StationCamera::*pCount)() const) const
{
    std::lock_guard<std::mutex> lock(m_camerasMutex);
    qulonglong nTotal = 0;
    for (const auto& entry : m_cameras)
        nTotal += (entry.second.get()->*pCount)();
    return nTotal;
}

void Service::init()
{
    using namespace std::placeholders;
    FrameCallback frame = std::bind(&Service::onFrameCallback, this, _1);
    ResultCallback result = std::bind(&Service::onFrameRltCallback, this, _1);
    MessageCallback message = std::bind(&Service::onMessageCallback, this, _1, _2);
    RejectedFrameCallback rejected = std::bind(&Service::onRejectedFrameCallback, this, _1, _2);
    // Outcomes cross to the GUI thread; once this object is gone they are dropped.
    auto listener = [this](RpcService::Event event, bool bRestored) {
        QMetaObject::invokeMethod(
            this, [this, event, bRestored] { onCoreEvent(int(event), bRestored); }, Qt::QueuedConnection);
    };
    RpcService::instance().init(frame, result, message, rejected, listener);
}

void Service::loadUI()
{
    m_nLoadState = 0;
    RpcService::instance().notifyLoadUI(&m_nLoadState);
    // The host connects every plugin before it hands out the UI: from now on
    // the outcome reaches the pages.
    m_bPluginsConnected = true;
    for (const auto& notice : RpcService::instance().securityNotices())
        sendResult(notice.qsText, notice.bSuccess);
    const auto pending = std::move(m_pendingEvents);
    m_pendingEvents.clear();
    for (const auto& event : pending)
        announce(event.first, event.second);
}

void Service::onCoreEvent(int nEvent, bool bRestored)
{
    if (!m_bPluginsConnected) {
        m_pendingEvents.push_back({nEvent, bRestored});
        return;
    }
    announce(nEvent, bRestored);
}

void Service::announce(int nEvent, bool bRestored)
{
    switch (RpcService::Event(nEvent)) {
    case RpcService::Event::ConnectFailed:
        if (const char* pTls = RpcService::instance().lastTlsFailure())
            sendResult(pTls, false);
        sendResult(QT_TRANSLATE_NOOP("Service", "相机初始化失败"), false);
        break;
    case RpcService::Event::Connected:
        sendResult(QT_TRANSLATE_NOOP("Service", "相机初始化成功"), true);
        if (!bRestored)
            sendResult(kRestoreFailedText, false);
        sendCoreConnected();
        if (!m_bStartCamerasOpened) {
            m_bStartCamerasOpened = true;
            m_calls.run(QStringLiteral("list"), [this] {
                std::vector<CameraListing> cameras;
                const int nResult = RpcService::instance().listCameras(&cameras);
                QMetaObject::invokeMethod(
                    this, [this, nResult, cameras] { openStartCameras(nResult, cameras); },
                    Qt::QueuedConnection);
            });
        }
        break;
    case RpcService::Event::Lost:
        DTLog::instance().write(QtWarningMsg, kLostText);
        sendResult(kLostText, false);
        break;
    case RpcService::Event::Reconnected: {
        // A camera state of the core that went away says nothing of the new link.
        {
            std::lock_guard<std::mutex> lock(m_camerasMutex);
            for (auto& entry : m_cameras)
                entry.second->forgetState();
        }
        m_frameCounts.clear();
        const char* pText = bRestored ? kReconnectedText : kReconnectedOnlyText;
        DTLog::instance().write(QtInfoMsg, QString::fromUtf8(pText));
        sendResult(pText, true);
        if (!bRestored) {
            DTLog::instance().write(QtWarningMsg, QString::fromUtf8(kRestoreFailedText));
            sendResult(kRestoreFailedText, false);
        }
        sendCoreConnected();
        break;
    }
    }
}

// One record per open camera: each page reads its own camera anew.
void Service::sendCoreConnected()
{
    for (const QString& strCamera : activeCameras()) {
        PluginMetaData plt;
        plt.nModule = MODULE_CAPTURO;
        plt.nMsgId = MSG_CORE_CONNECTED;
        // The page's continuous button shows whether shooting came back with the core.
        plt.jsonData.insert("continuous", RpcService::instance().continuousRestored(strCamera));
        sendEvent(cameraFor(strCamera).tagged(plt));
    }
}

QString Service::endpoint() const
{
    return RpcService::instance().address();
}

bool Service::isConnected() const
{
    return RpcService::instance().isConnected();
}

void Service::testDemo()
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_FRAME;
    emit sendSignalToPlugins(plt);
}

// The connection's own camera: frames of the core's first camera while none is open.
void Service::onFrameCallback(const std::shared_ptr<VexaImage>& image)
{
    cameraFor(QString()).onFrame(image);
}

QJsonObject Service::figures(const QString& strCamera)
{
    QJsonObject json = cameraFor(strCamera).figures(isConnected());
    // The camera's side of the link, once the core counted it.
    const QJsonObject counts = m_frameCounts.fields(strCamera);
    for (auto it = counts.begin(); it != counts.end(); ++it)
        json.insert(it.key(), it.value());
    return json;
}

void Service::sendFigures()
{
    for (const QString& strCamera : activeCameras()) {
        PluginMetaData plt;
        plt.nModule = MODULE_CAPTURO;
        plt.nMsgId = MSG_FIGURES;
        plt.jsonData = figures(strCamera);
        emit sendSignalToPlugins(plt);
    }
}

void Service::onFrameRltCallback(const std::shared_ptr<MeasureResultData>&)
{
    DTLog::instance().write(QtDebugMsg, "frameRlt");
}

StationCamera* Service::messageTarget(const Json::Value& message)
{
    QString strCamera;
    if (message.isObject() && message["camera_id"].isString())
        strCamera = QString::fromStdString(message["camera_id"].asString());
    std::lock_guard<std::mutex> lock(m_camerasMutex);
    auto it = m_cameras.find(strCamera);
    if (it == m_cameras.end())
        it = m_cameras.find(RpcService::instance().firstOpenCamera());
    if (it == m_cameras.end())
        it = m_cameras.find(QString());
    return it == m_cameras.end() ? nullptr : it->second.get();
}

void Service::onMessageCallback(E_Message_Type type, const Json::Value& message)
{
    DTLog::instance().write(QtDebugMsg, "Calls");
    StationCamera* pCamera = messageTarget(message);
    if (m_frameCounts.take(type, message))
        return;
    if (pCamera)
        pCamera->onMessage(type, message);
}

void Service::onRejectedFrameCallback(std::uint64_t nTotal, const std::string&)
{
    std::lock_guard<std::mutex> lock(m_camerasMutex);
    const auto it = m_cameras.find(QString());
    if (it != m_cameras.end())
        it->second->onRejectedFrames(nTotal);
}

QString Service::rejectedFramesText(quint64 nTotal)
{
    return tr("已丢弃格式错误的相机帧: %1").arg(nTotal);
}

QString Service::skippedFramesText(quint64 nTotal)
{
    return tr("本机接收相机帧不及, 视觉核心已丢弃此相机的 %1 帧: 请减轻本机负载或降低帧率").arg(nTotal);
}

QString Service::saveFailedText(const QString& qsFile, int nErrno, quint64 nTotal)
{
    const char* pReason = nullptr;
    switch (nErrno) {
    case ENOSPC:
    case EDQUOT: pReason = QT_TRANSLATE_NOOP("Service", "磁盘空间不足"); break;
    case EACCES:
    case EPERM: pReason = QT_TRANSLATE_NOOP("Service", "没有写入权限"); break;
    case EROFS: pReason = QT_TRANSLATE_NOOP("Service", "文件系统只读"); break;
    case ENOENT:
    case ENOTDIR: pReason = QT_TRANSLATE_NOOP("Service", "文件夹不存在"); break;
    default: break;
    }
    const QString qsReason = pReason ? tr(pReason) : QString::fromLocal8Bit(std::strerror(nErrno));
    return tr("保存图片失败: %1 (%2), 此类失败共 %3 张").arg(qsFile, qsReason).arg(nTotal);
}

QString Service::unsavedFramesText(quint64 nTotal)
{
    return tr("磁盘写入跟不上, 未保存的帧共 %1 张").arg(nTotal);
}

PluginMetaData Service::savedFrameRecord(const FrameSaveQueue::Saved& saved)
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_FRAME_SAVED;
    plt.varData = saved.icon;
    plt.jsonData.insert("key", saved.qsKey);
    plt.jsonData.insert("name", saved.qsName);
    plt.jsonData.insert("file", saved.qsFile);
    return plt;
}

QJsonObject Service::cameraParamsJson(const QVariant& exposure, const QVariant& gain,
                                      const QVariant& triggerMode, const QVariant& triggerGap)
{
    // Exposure passes through a float on its way to the page.
    QJsonObject json;
    json.insert("exposure", double(exposure.toFloat()));
    json.insert("gain", double(gain.toFloat()));
    json.insert("trigger_mode", triggerMode.toInt());
    json.insert("trigger_gap", double(triggerGap.toFloat()));
    return json;
}

void Service::reply(StationCamera& camera, int nMsgId, const QVariant& value, const QJsonObject& json)
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = nMsgId;
    plt.varData = value;
    plt.jsonData = json;
    sendEvent(camera.tagged(plt));
}

void Service::replyJson(StationCamera& camera, int nMsgId, const QJsonObject& json)
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = nMsgId;
    plt.jsonData = json;
    sendEvent(camera.tagged(plt));
}

void Service::send(int nModule, int nMsgId, const QJsonObject& json)
{
    PluginMetaData plt;
    plt.nModule = nModule;
    plt.nMsgId = nMsgId;
    plt.jsonData = json;
    sendEvent(plt);
}

// The home page waits for the list only once it knows a service is at work.
void Service::listCameras()
{
    send(MODULE_SCANVOR, MSG_LIST_CAMERAS, QJsonObject{{"ack", true}});
    m_calls.run(QStringLiteral("list"), [this] {
        std::vector<CameraListing> cameras;
        const int nResult = RpcService::instance().listCameras(&cameras);
        QMetaObject::invokeMethod(
            this, [this, nResult, cameras] { listed(nResult, cameras); }, Qt::QueuedConnection);
    });
}

void Service::listed(int nResult, const std::vector<CameraListing>& cameras)
{
    QJsonArray list;
    for (const CameraListing& camera : cameras) {
        QJsonObject entry = CameraListingJson::toJson(camera);
        const QString strCamera = QString::fromStdString(camera.strId);
        // Opened while the list was on its way: the list must not offer it again.
        if (RpcService::instance().isOpen(strCamera))
            entry["state"] = "open";
        list.append(entry);
        m_captions[strCamera] = CameraListingJson::caption(camera);
    }
    QJsonObject json{{"cameras", list}, {"error", ""}, {"legacy", false}};
    if (nResult == kUnimplemented) {
        // An older core serves one camera without listing it.
        json["legacy"] = true;
    } else if (nResult != 0) {
        json["error"] = isConnected() ? CameraListingJson::callError(nResult)
                                      : tr("%1 没有应答").arg(RpcService::instance().address());
        DTLog::instance().write(QtWarningMsg, QString("相机列表不可用: %1").arg(json["error"].toString()));
    }
    send(MODULE_SCANVOR, MSG_LIST_CAMERAS, json);
}

void Service::openStartCameras(int nResult, const std::vector<CameraListing>& cameras)
{
    if (nResult != 0)
        return;
    QStringList wanted = RpcService::instance().startCameras();
    if (wanted.isEmpty() && cameras.size() == 1 && cameras.front().state == CameraListing::Free)
        wanted << QString::fromStdString(cameras.front().strId);
    for (const CameraListing& camera : cameras)
        m_captions[QString::fromStdString(camera.strId)] = CameraListingJson::caption(camera);
    // One after the other, in the order given: the first is the one that commands
    // naming no camera address.
    m_startQueue = wanted;
    openNextStartCamera();
}

void Service::openNextStartCamera()
{
    if (m_startQueue.isEmpty())
        return;
    m_strStartOpening = m_startQueue.takeFirst();
    DTLog::instance().write(QtInfoMsg, QString("启动时打开相机 %1").arg(m_strStartOpening));
    openCamera(m_strStartOpening);
}

void Service::openCamera(const QString& strCamera)
{
    if (strCamera.isEmpty()) {
        send(MODULE_CAPTURO, MSG_OPEN_CAMERA,
             {{"camera", ""}, {"success", 0}, {"error", CameraListingJson::callError(5)}, {"caption", ""}});
        return;
    }
    // Its frames reach it from now on, also those of photos asked for while it opens.
    StationCamera& camera = cameraFor(strCamera);
    if (RpcService::instance().openCameras().isEmpty()) {
        // The first camera: the page of the time before a camera was open becomes
        // its page, and with it the saving that page asked for and "test.bmp".
        const QJsonObject earlier = cameraFor(QString()).saveSettings();
        if (camera.saveSettings().isEmpty() && !earlier.isEmpty())
            camera.setSaveSettings(earlier);
        camera.setHandOff(true);
    }
    m_calls.run("camera " + strCamera, [this, strCamera] {
        CameraListing listing;
        const int nResult = RpcService::instance().openCamera(strCamera, &listing);
        QMetaObject::invokeMethod(
            this, [this, strCamera, nResult, listing] { opened(strCamera, nResult, listing); },
            Qt::QueuedConnection);
    });
}

void Service::opened(const QString& strCamera, int nResult, const CameraListing& listing)
{
    QJsonObject json;
    if (nResult == 0) {
        json = CameraListingJson::toJson(listing);
        const QString qsCaption = CameraListingJson::caption(listing);
        if (!qsCaption.isEmpty())
            m_captions[strCamera] = qsCaption;
        DTLog::instance().write(QtInfoMsg,
                                QString("相机已打开: %1 (%2)").arg(strCamera, m_captions.value(strCamera)));
        // The first camera took over the saving of the time before (see openCamera).
        if (RpcService::instance().firstOpenCamera() == strCamera
            && !cameraFor(QString()).saveSettings().isEmpty())
            cameraFor(QString()).setSaveSettings(QJsonObject());
        updateRoles();
    } else {
        DTLog::instance().write(
            QtWarningMsg,
            QString("相机 %1 未能打开: %2").arg(strCamera, CameraListingJson::callError(nResult)));
    }
    json.insert("camera", strCamera);
    json.insert("success", nResult == 0 ? 1 : 0);
    json.insert("error", CameraListingJson::callError(nResult));
    json.insert("caption", m_captions.value(strCamera, strCamera));
    send(MODULE_CAPTURO, MSG_OPEN_CAMERA, json);
    if (strCamera == m_strStartOpening) {
        m_strStartOpening.clear();
        openNextStartCamera();
    }
}

void Service::closeCamera(const QString& strCamera)
{
    if (strCamera.isEmpty())
        return;
    RpcService& rpc = RpcService::instance();
    const bool bWasShooting = rpc.isOpen(strCamera)
        && (rpc.operatorSettings(strCamera).continuous() || rpc.operatorSettings(strCamera).video());
    const bool bWasSaving = rpc.isOpen(strCamera) && cameraFor(strCamera).isSaving();
    m_calls.run("camera " + strCamera, [this, strCamera, bWasShooting, bWasSaving] {
        const int nResult = RpcService::instance().closeCamera(strCamera);
        QMetaObject::invokeMethod(
            this, [=] { closed(strCamera, nResult, bWasShooting, bWasSaving); }, Qt::QueuedConnection);
    });
}

// The camera is no longer this client's whatever the core answered (a core that
// is away releases it when this client's link ends); the error says why it did
// not confirm.
void Service::closed(const QString& strCamera, int nResult, bool bWasShooting, bool bWasSaving)
{
    StationCamera& camera = cameraFor(strCamera);
    DTLog::instance().write(QtInfoMsg, QString("相机已关闭: %1").arg(strCamera));
    updateRoles();
    send(MODULE_CAPTURO, MSG_CLOSE_CAMERA,
         {{"camera", strCamera},
          {"success", 1},
          {"error", CameraListingJson::callError(nResult)},
          {"caption", m_captions.value(strCamera, strCamera)}});
    if (bWasShooting)
        camera.status(
            tr("相机 %1 已关闭, 它的连续拍照或视频已停止").arg(m_captions.value(strCamera, strCamera)), true);
    if (bWasSaving)
        camera.status(tr("相机 %1 已关闭, 它的图片保存已停止").arg(m_captions.value(strCamera, strCamera)),
                      true);
}

void Service::updateRoles()
{
    const QString strFirst = RpcService::instance().firstOpenCamera();
    std::vector<std::pair<QString, StationCamera*>> cameras;
    {
        std::lock_guard<std::mutex> lock(m_camerasMutex);
        for (auto& entry : m_cameras)
            cameras.emplace_back(entry.first, entry.second.get());
    }
    for (const auto& entry : cameras) {
        const bool bFirst = entry.first == strFirst;
        entry.second->setHandOff(bFirst);
        entry.second->setSubFolder(bFirst || entry.first.isEmpty()
                                       ? QString()
                                       : folderNameFor(entry.first, m_captions.value(entry.first)));
    }
}

// Named after the camera once; a second camera of the same name adds its id.
QString Service::folderNameFor(const QString& strCamera, const QString& qsCaption)
{
    const auto it = m_folderNames.constFind(strCamera);
    if (it != m_folderNames.constEnd())
        return it.value();
    QString qsName = CameraListingJson::safeFolderName(qsCaption.isEmpty() ? strCamera : qsCaption);
    const QList<QString> taken = m_folderNames.values();
    if (taken.contains(qsName))
        qsName = CameraListingJson::safeFolderName(qsName + "_" + strCamera);
    m_folderNames.insert(strCamera, qsName);
    return qsName;
}

namespace {

// The shooting commands: the camera call, then its status.
struct CommandRow
{
    int nMsgId;
    CameraCommand command;
    const char* pText;
};

const CommandRow kCommands[] = {
    {MSG_TAKE_PHOTO, CameraCommand::TakePhoto, QT_TRANSLATE_NOOP("Service", "调用相机拍照接口")},
    {MSG_CONTINUOUS_PHOTO, CameraCommand::StartContinuous, QT_TRANSLATE_NOOP("Service", "调用连续拍照接口")},
    {MSG_VIDEO_MODE_ON, CameraCommand::StartVideo, QT_TRANSLATE_NOOP("Service", "调用视频模式")},
    {MSG_VIDEO_MODE_OFF, CameraCommand::StopVideo, QT_TRANSLATE_NOOP("Service", "关闭视频")},
    {MSG_CONTINUOUS_START, CameraCommand::StartContinuous, QT_TRANSLATE_NOOP("Service", "调用连续拍照")},
    {MSG_CONTINUOUS_STOP, CameraCommand::StopContinuous, QT_TRANSLATE_NOOP("Service", "调用连续拍照结束")},
};

const CommandRow* commandOf(int nMsgId)
{
    for (const CommandRow& row : kCommands)
        if (row.nMsgId == nMsgId)
            return &row;
    return nullptr;
}

} // namespace

void Service::status(StationCamera& camera, const char* pText, bool bOk, const QString& qsReason)
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_RESULT;
    plt.jsonData.insert("result", QString::fromUtf8(pText));
    plt.jsonData.insert("success", bOk ? 1 : 0);
    // The page lists the core's reason on a line of its own, after the failure:
    // one line of plain text, as short as the core's other errors.
    if (!bOk && !qsReason.isEmpty())
        plt.jsonData.insert("reason", CoreErrorText::plain(qsReason));
    emit sendSignalToPlugins(camera.tagged(plt));
}

void Service::setParam(StationCamera& camera, const CameraParam& param, const QVariant& value)
{
    QString qsReason;
    const bool bOk = RpcService::instance().setParam(param, value, camera.id(), &qsReason);
    status(camera, param.pSetText, bOk, qsReason);
}

// A read that the core did not answer sends no reply: a page must never apply
// invented values.
void Service::getParam(StationCamera& camera, const CameraParam& param)
{
    QString qsReason;
    QVariant value;
    const bool bOk = RpcService::instance().getParam(param, &value, camera.id(), &qsReason);
    if (bOk && param.bReplyFirst)
        reply(camera, param.nGetMsg, value);
    status(camera, param.pGetText, bOk, qsReason);
    if (bOk && !param.bReplyFirst)
        reply(camera, param.nGetMsg, value);
}

// Each camera call runs before its texts go out, so the status can carry the
// core's outcome; the records still leave in the fixed order. A read that the
// core did not answer sends no reply: a page must never apply invented values.
// Every command goes to the camera its record names, else the first open one,
// and what comes back carries that camera.
void Service::slotEventFromPlugins(PluginMetaData plt)
{
    m_pUIObject = plt.pHandle;
    if (plt.nModule != MODULE_SERVICE)
        return;

    switch (plt.nMsgId) {
    case MSG_LIST_CAMERAS: listCameras(); return;
    case MSG_OPEN_CAMERA: openCamera(plt.jsonData.value("camera").toString()); return;
    case MSG_CLOSE_CAMERA: closeCamera(plt.jsonData.value("camera").toString()); return;
    case MSG_FIGURES_REQUEST:
        if (!plt.varData.toBool()) {
            m_figuresTimer.stop();
        } else if (!m_figuresTimer.isActive()) {
            sendFigures();
            m_figuresTimer.start(kFiguresIntervalMs);
        }
        return;
    default: break;
    }

    const QString strCamera = commandTarget(plt.jsonData);
    StationCamera& camera = cameraFor(strCamera);
    bool bSet = false;
    if (const CameraParam* pParam = camera_params::byMessage(plt.nMsgId, &bSet)) {
        if (bSet)
            setParam(camera, *pParam, plt.varData);
        else
            getParam(camera, *pParam);
        return;
    }
    RpcService& rpc = RpcService::instance();
    if (const CommandRow* pCommand = commandOf(plt.nMsgId)) {
        QString qsReason;
        const bool bOk = rpc.command(pCommand->command, strCamera, &qsReason);
        status(camera, pCommand->pText, bOk, qsReason);
        return;
    }
    switch (plt.nMsgId) {
    case MSG_GET_CAMERA_INFO: {
        QVariant value;
        bool bHasActivation = true;
        const bool bOk = rpc.getCameraInfo(&value, strCamera, &bHasActivation);
        // Beside the ranges record: whether the camera can choose its trigger's edge,
        // so the page reads the trigger type only where there is one.
        if (bOk)
            reply(camera, plt.nMsgId, value, QJsonObject{{"trigger_activation", bHasActivation}});
        // The catalogue's text says the read succeeded: a failure has its own.
        status(camera,
               bOk ? QT_TRANSLATE_NOOP("Service", "获取相机增益成功")
                   : QT_TRANSLATE_NOOP("Service", "获取相机增益失败"),
               bOk, QString());
        break;
    }
    case MSG_GET_CAMERA_PARAMS: {
        QVariant exposure;
        QVariant gain;
        QVariant triggerMode;
        QVariant triggerGap;
        QString qsReason;
        const auto read = [&](int nIndex, QVariant* pValue, bool bSoFar) {
            return rpc.getParam(*camera_params::byIndex(nIndex), pValue, strCamera,
                                bSoFar ? &qsReason : nullptr)
                && bSoFar;
        };
        bool bOk = read(PARAM_EXPOSURE, &exposure, true);
        bOk = read(PARAM_GAIN, &gain, bOk);
        bOk = read(PARAM_TRIGGER_MODE, &triggerMode, bOk);
        bOk = read(PARAM_TRIGGER_GAP, &triggerGap, bOk);
        if (bOk)
            replyJson(camera, plt.nMsgId, cameraParamsJson(exposure, gain, triggerMode, triggerGap));
        status(camera,
               bOk ? QT_TRANSLATE_NOOP("Service", "获取相机参数值成功")
                   : QT_TRANSLATE_NOOP("Service", "获取相机参数值失败"),
               bOk, qsReason);
        break;
    }
    case MSG_SAVE_SETTINGS: camera.setSaveSettings(plt.jsonData); break;
    default: break;
    }
}
