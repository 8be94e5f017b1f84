#include "Service.h"

#include "CoreErrorText.h"
#include "RpcService.h"
#include "framework/DTLog.h"
#include "framework/PluginMessages.h"

#include <QCoreApplication>
#include <QImage>
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

const char* const kFrameText = QT_TRANSLATE_NOOP("Service", "相机获取拍照成功");
const char* const kLostText = QT_TRANSLATE_NOOP("Service", "与视觉核心的连接已断开，正在重新连接");
const char* const kReconnectedText = QT_TRANSLATE_NOOP("Service", "已重新连接视觉核心，相机设置已恢复");
// Said when not every setting went back: the restore is not claimed.
const char* const kReconnectedOnlyText = QT_TRANSLATE_NOOP("Service", "已重新连接视觉核心");
const char* const kRestoreFailedText = QT_TRANSLATE_NOOP("Service", "部分相机设置未能恢复");

} // namespace

Service::Service(QObject*)
    : m_handOff("test.bmp")
    , m_frames(this, kFramesInFlight, [this](const PluginMetaData& frame) { deliverFrame(frame); })
    , m_cameraState([this](const QString& qsText, bool bSuccess) { sendResult(qsText, bSuccess); }, 1000,
                    this)
    , m_coreErrors([this](const QString& qsText) { sendResult(qsText, false); }, kCoreErrorIntervalMs, this)
    , m_saveStatus([this](const QString& qsText) { sendResult(qsText, false); }, kSaveReportIntervalMs, this)
    , m_saver(
          [this](const FrameSaveQueue::Saved& saved) { emit sendSignalToPlugins(savedFrameRecord(saved)); },
          [this](const FrameSaveQueue::Failure& failure) {
              DTLog::instance().write(
                  QtWarningMsg,
                  QString::fromUtf8(QT_TRANSLATE_NOOP("Service", "图片未保存: %1: %2"))
                      .arg(failure.qsFile, QString::fromLocal8Bit(std::strerror(failure.nErrno))));
              m_saveStatus.post(QString("failed %1").arg(failure.nErrno),
                                saveFailedText(failure.qsFile, failure.nErrno, failure.nTotal));
          },
          [this](quint64 nTotal) {
              m_saveStatus.post(QStringLiteral("overflow"), unsavedFramesText(nTotal));
          })
{
    m_pUIObject = nullptr;
    qRegisterMetaType<PluginMetaData>("PluginMetaData");
    m_nLoadState = 1;
    connect(&m_figuresTimer, &QTimer::timeout, this, &Service::sendFigures);
    registerServiceResources();
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
        break;
    case RpcService::Event::Lost:
        DTLog::instance().write(QtWarningMsg, kLostText);
        sendResult(kLostText, false);
        break;
    case RpcService::Event::Reconnected: {
        // A camera state of the core that went away says nothing of the new link.
        m_nCameraState = CameraStateNotice::StateNone;
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

void Service::sendCoreConnected()
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_CORE_CONNECTED;
    // The page's continuous button shows whether shooting came back with the core.
    plt.jsonData.insert("continuous", RpcService::instance().continuousRestored());
    sendEvent(plt);
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

void Service::onFrameCallback(const std::shared_ptr<VexaImage>& image)
{
    DTLog::instance().write(QtDebugMsg, "frameInit");
    if (!image)
        return;
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_FRAME;
    const QImage qimage = m_handOff.toImage(image);
    const QString qsKey = QString::number(image->getIdentifier());
    ++m_nReceivedFrames;
    m_nReceivedBytes += quint64(image->widthStep()) * quint64(image->height());
    // Saving takes the frame before the display's bound can drop it.
    m_saver.offer(image, qimage, qsKey);
    plt.varData = qimage;
    plt.jsonData.insert("key", qsKey);
    plt.jsonData.insert("width", image->width());
    plt.jsonData.insert("height", image->height());
    m_frames.post(plt);
}

QJsonObject Service::figures() const
{
    QJsonObject json{
        {"received", double(receivedFrames())},
        {"bytes", double(receivedBytes())},
        {"dropped", double(droppedFrames())},
        {"saved", double(savedFrames())},
        {"save_failed", double(unsavedFrames())},
        {"link", isConnected() ? "connected" : "lost"},
        {"camera_state", CameraStateNotice::stateName(m_nCameraState.load())},
    };
    // The camera's side of the link, once the core counted it.
    const QJsonObject camera = m_frameCounts.fields();
    for (auto it = camera.begin(); it != camera.end(); ++it)
        json.insert(it.key(), it.value());
    return json;
}

void Service::sendFigures()
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_FIGURES;
    plt.jsonData = figures();
    emit sendSignalToPlugins(plt);
}

void Service::deliverFrame(const PluginMetaData& frame)
{
    emit sendSignalToPlugins(frame);
    sendResult(kFrameText, true);
}

void Service::onFrameRltCallback(const std::shared_ptr<MeasureResultData>&)
{
    DTLog::instance().write(QtDebugMsg, "frameRlt");
}

void Service::onMessageCallback(E_Message_Type type, const Json::Value& message)
{
    DTLog::instance().write(QtDebugMsg, "Calls");
    int nState = CameraStateNotice::StateNone;
    if (CameraStateNotice::parseState(type, message, &nState))
        m_nCameraState = nState;
    m_cameraState.post(type, message);
    if (m_frameCounts.take(type, message))
        return;
    CoreErrorText::Line line;
    if (CoreErrorText::line(type, message, &line)) {
        // The log keeps the core's own words whatever the interface's language.
        DTLog::instance().write(
            QtWarningMsg,
            QString("视觉核心错误: %1")
                .arg(CoreErrorText::plain(QString::fromStdString(message["error"].asString()))));
        m_coreErrors.post(line.qsKind, line.qsText);
    }
}

void Service::onRejectedFrameCallback(std::uint64_t nTotal, const std::string&)
{
    m_nRejectedFrames = nTotal;
    // One report on its way at a time; it shows the count as it is when it goes out.
    if (m_bRejectReportDue.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const qint64 nWait = m_lastRejectReport.isValid()
                ? qMax<qint64>(0, kRejectReportIntervalMs - m_lastRejectReport.elapsed())
                : 0;
            QTimer::singleShot(int(nWait), this, [this] { reportRejectedFrames(); });
        },
        Qt::QueuedConnection);
}

QString Service::rejectedFramesText(quint64 nTotal)
{
    return tr("已丢弃格式错误的相机帧: %1").arg(nTotal);
}

void Service::reportRejectedFrames()
{
    m_lastRejectReport.start();
    m_bRejectReportDue = false;
    const quint64 nTotal = m_nRejectedFrames.load();
    // The log keeps the Chinese wording whatever the interface's language.
    DTLog::instance().write(QtWarningMsg, QString("已丢弃格式错误的相机帧: %1").arg(nTotal));
    sendResult(rejectedFramesText(nTotal), false);
}

qulonglong Service::unsavedFrames() const
{
    const FrameSaveQueue::Counters counters = m_saver.counters();
    return counters.nOverflowed + counters.nFailed;
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

// The camera page sends its save settings whenever they change; "enabled" is
// already false while the page shows video or local files.
void Service::applySaveSettings(const QJsonObject& json)
{
    FrameSaveQueue::Settings settings;
    settings.qsFolder = json.value("folder").toString();
    settings.qsFormat = json.value("format").toString() == QLatin1String(".jpg") ? QStringLiteral(".jpg")
                                                                                 : QStringLiteral(".bmp");
    settings.qsType = json.value("type").toString(QStringLiteral("all"));
    settings.bEnabled = json.value("enabled").toBool() && !settings.qsFolder.isEmpty();
    m_saver.setSettings(settings);
    const char* pText = settings.bEnabled ? QT_TRANSLATE_NOOP("Service", "保存图片已开启: %1 %2")
                                          : QT_TRANSLATE_NOOP("Service", "保存图片已关闭: %1 %2");
    DTLog::instance().write(QtInfoMsg, QString::fromUtf8(pText).arg(settings.qsFolder, settings.qsFormat));
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

void Service::reply(int nMsgId, const QVariant& value, const QString& strCamera)
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = nMsgId;
    plt.varData = value;
    if (!strCamera.isEmpty())
        plt.jsonData.insert("camera", strCamera);
    sendEvent(plt);
}

void Service::replyJson(int nMsgId, const QJsonObject& json)
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = nMsgId;
    plt.jsonData = json;
    sendEvent(plt);
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

void Service::status(const char* pText, bool bOk, const QString& qsReason, const QString& strCamera)
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
    if (!strCamera.isEmpty())
        plt.jsonData.insert("camera", strCamera);
    emit sendSignalToPlugins(plt);
}

void Service::setParam(const CameraParam& param, const QVariant& value, const QString& strCamera)
{
    QString qsReason;
    const bool bOk = RpcService::instance().setParam(param, value, strCamera, &qsReason);
    status(param.pSetText, bOk, qsReason, strCamera);
}

// A read that the core did not answer sends no reply: a page must never apply
// invented values.
void Service::getParam(const CameraParam& param, const QString& strCamera)
{
    QString qsReason;
    QVariant value;
    const bool bOk = RpcService::instance().getParam(param, &value, strCamera, &qsReason);
    if (bOk && param.bReplyFirst)
        reply(param.nGetMsg, value, strCamera);
    status(param.pGetText, bOk, qsReason, strCamera);
    if (bOk && !param.bReplyFirst)
        reply(param.nGetMsg, value, strCamera);
}

// Each camera call runs before its texts go out, so the status can carry the
// core's outcome; the records still leave in the fixed order. Every camera
// call goes to the camera the record names in "camera" (none: the first one open).
void Service::slotEventFromPlugins(PluginMetaData plt)
{
    m_pUIObject = plt.pHandle;
    if (plt.nModule != MODULE_SERVICE)
        return;

    const QString strCamera = plt.jsonData.value("camera").toString();
    bool bSet = false;
    if (const CameraParam* pParam = camera_params::byMessage(plt.nMsgId, &bSet)) {
        if (bSet)
            setParam(*pParam, plt.varData, strCamera);
        else
            getParam(*pParam, strCamera);
        return;
    }
    RpcService& rpc = RpcService::instance();
    if (const CommandRow* pCommand = commandOf(plt.nMsgId)) {
        QString qsReason;
        const bool bOk = rpc.command(pCommand->command, strCamera, &qsReason);
        status(pCommand->pText, bOk, qsReason, strCamera);
        return;
    }
    switch (plt.nMsgId) {
    case MSG_GET_CAMERA_INFO: {
        QVariant value;
        const bool bOk = rpc.getCameraInfo(&value, strCamera);
        if (bOk)
            reply(plt.nMsgId, value, strCamera);
        // The catalogue's text says the read succeeded: a failure has its own.
        status(bOk ? QT_TRANSLATE_NOOP("Service", "获取相机增益成功")
                   : QT_TRANSLATE_NOOP("Service", "获取相机增益失败"),
               bOk, QString(), strCamera);
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
        if (bOk) {
            QJsonObject json = cameraParamsJson(exposure, gain, triggerMode, triggerGap);
            if (!strCamera.isEmpty())
                json.insert("camera", strCamera);
            replyJson(plt.nMsgId, json);
        }
        status(bOk ? QT_TRANSLATE_NOOP("Service", "获取相机参数值成功")
                   : QT_TRANSLATE_NOOP("Service", "获取相机参数值失败"),
               bOk, qsReason, strCamera);
        break;
    }
    case MSG_SAVE_SETTINGS: applySaveSettings(plt.jsonData); break;
    case MSG_FIGURES_REQUEST:
        if (!plt.varData.toBool()) {
            m_figuresTimer.stop();
        } else if (!m_figuresTimer.isActive()) {
            sendFigures();
            m_figuresTimer.start(kFiguresIntervalMs);
        }
        break;
    default: break;
    }
}
