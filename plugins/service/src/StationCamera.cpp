#include "StationCamera.h"

#include "CoreErrorText.h"
#include "Service.h"
#include "framework/DTLog.h"
#include "framework/PluginMessages.h"

#include <QDir>
#include <QTimer>

#include <cstring>

namespace {
const char* const kFrameText = QT_TRANSLATE_NOOP("Service", "相机获取拍照成功");
} // namespace

StationCamera::StationCamera(const QString& strId, FrameHandOff* pHandOff, int nFramesInFlight,
                             Emit emitRecord, QObject* parent)
    : QObject(parent)
    , m_strId(strId)
    , m_pHandOff(pHandOff)
    , m_emit(std::move(emitRecord))
    , m_frames(this, nFramesInFlight, [this](const PluginMetaData& frame) { deliverFrame(frame); })
    , m_stateNotice([this](const QString& qsText, bool bSuccess) { status(qsText, bSuccess); }, 1000, this)
    , m_saveStatus([this](const QString& qsText) { status(qsText, false); }, Service::kSaveReportIntervalMs,
                   this)
    , m_coreErrors([this](const QString& qsText) { status(qsText, false); }, Service::kCoreErrorIntervalMs,
                   this)
    , m_saver(
          [this](const FrameSaveQueue::Saved& saved) { m_emit(tagged(Service::savedFrameRecord(saved))); },
          [this](const FrameSaveQueue::Failure& failure) {
              DTLog::instance().write(
                  QtWarningMsg,
                  QString::fromUtf8(QT_TRANSLATE_NOOP("Service", "图片未保存: %1: %2"))
                      .arg(failure.qsFile, QString::fromLocal8Bit(std::strerror(failure.nErrno))));
              m_saveStatus.post(QString("failed %1").arg(failure.nErrno),
                                Service::saveFailedText(failure.qsFile, failure.nErrno, failure.nTotal));
          },
          [this](quint64 nTotal) {
              m_saveStatus.post(QStringLiteral("overflow"), Service::unsavedFramesText(nTotal));
          })
{
}

StationCamera::~StationCamera() = default;

PluginMetaData StationCamera::tagged(PluginMetaData plt) const
{
    if (!m_strId.isEmpty())
        plt.jsonData.insert("camera", m_strId);
    return plt;
}

void StationCamera::status(const QString& qsText, bool bSuccess)
{
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_RESULT;
    plt.jsonData.insert("result", qsText);
    plt.jsonData.insert("success", bSuccess ? 1 : 0);
    m_emit(tagged(plt));
}

void StationCamera::onFrame(const std::shared_ptr<VexaImage>& image)
{
    DTLog::instance().write(QtDebugMsg, "frameInit");
    if (!image)
        return;
    // Only the first opened camera rewrites the shared hand-over file.
    const QImage qimage = m_bHandOff && m_pHandOff ? m_pHandOff->toImage(image)
                                                   : FrameHandOff::imageFromPixels(*image);
    const QString qsKey = QString::number(image->getIdentifier());
    ++m_nReceived;
    m_nReceivedBytes += quint64(image->widthStep()) * quint64(image->height());
    // Saving takes the frame before the display's bound can drop it.
    m_saver.offer(image, qimage, qsKey);
    PluginMetaData plt;
    plt.nModule = MODULE_CAPTURO;
    plt.nMsgId = MSG_FRAME;
    plt.varData = qimage;
    plt.jsonData.insert("key", qsKey);
    plt.jsonData.insert("width", image->width());
    plt.jsonData.insert("height", image->height());
    m_frames.post(tagged(plt));
}

void StationCamera::deliverFrame(const PluginMetaData& frame)
{
    m_emit(frame);
    status(QString::fromUtf8(kFrameText), true);
}

void StationCamera::onMessage(E_Message_Type type, const Json::Value& message)
{
    int nState = CameraStateNotice::StateNone;
    if (CameraStateNotice::parseState(type, message, &nState))
        m_nState = nState;
    m_stateNotice.post(type, message);
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

void StationCamera::onRejectedFrames(std::uint64_t nTotal)
{
    m_nRejected = nTotal;
    // One report on its way at a time; it shows the count as it is when it goes out.
    if (m_bRejectReportDue.exchange(true))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            const qint64 nWait = m_lastRejectReport.isValid()
                ? qMax<qint64>(0, Service::kRejectReportIntervalMs - m_lastRejectReport.elapsed())
                : 0;
            QTimer::singleShot(int(nWait), this, [this] { reportRejectedFrames(); });
        },
        Qt::QueuedConnection);
}

void StationCamera::onSkippedFrames(std::uint64_t nTotal)
{
    m_nDroppedByCore = nTotal;
    // The core link logs it at a bounded rate; the status list hears it at most once a second.
    m_coreErrors.post(QStringLiteral("skipped"), Service::skippedFramesText(nTotal));
}

void StationCamera::reportRejectedFrames()
{
    m_lastRejectReport.start();
    m_bRejectReportDue = false;
    const quint64 nTotal = m_nRejected.load();
    // The log keeps the Chinese wording whatever the interface's language.
    DTLog::instance().write(QtWarningMsg, QString("已丢弃格式错误的相机帧: %1").arg(nTotal));
    status(Service::rejectedFramesText(nTotal), false);
}

quint64 StationCamera::unsaved() const
{
    const FrameSaveQueue::Counters counters = m_saver.counters();
    return counters.nOverflowed + counters.nFailed;
}

QJsonObject StationCamera::figures(bool bLinkUp) const
{
    QJsonObject json{
        {"received", double(received())},
        {"bytes", double(receivedBytes())},
        {"dropped", double(dropped())},
        {"dropped_by_core", double(droppedByCore())},
        {"saved", double(saved())},
        {"save_failed", double(unsaved())},
        {"link", bLinkUp ? "connected" : "lost"},
        {"camera_state", CameraStateNotice::stateName(m_nState.load())},
    };
    if (!m_strId.isEmpty())
        json.insert("camera", m_strId);
    return json;
}

// The camera page sends its save settings whenever they change; "enabled" is
// already false while the page shows video or local files.
void StationCamera::setSaveSettings(const QJsonObject& json)
{
    m_pageSettings = json;
    applySaveSettings();
}

void StationCamera::setSubFolder(const QString& qsSubFolder)
{
    if (qsSubFolder == m_qsSubFolder)
        return;
    m_qsSubFolder = qsSubFolder;
    if (!m_pageSettings.isEmpty())
        applySaveSettings();
}

void StationCamera::applySaveSettings()
{
    const QJsonObject& json = m_pageSettings;
    FrameSaveQueue::Settings settings;
    settings.qsFolder = json.value("folder").toString();
    settings.qsFormat = json.value("format").toString() == QLatin1String(".jpg") ? QStringLiteral(".jpg")
                                                                                 : QStringLiteral(".bmp");
    settings.qsType = json.value("type").toString(QStringLiteral("all"));
    settings.bEnabled = json.value("enabled").toBool() && !settings.qsFolder.isEmpty();
    if (settings.bEnabled && !m_qsSubFolder.isEmpty()) {
        // A further camera saves beside the first one's files, in a folder of its own.
        settings.qsFolder = QDir(settings.qsFolder).filePath(m_qsSubFolder);
        if (!QDir().mkpath(settings.qsFolder))
            DTLog::instance().write(QtWarningMsg,
                                    QString("无法建立相机的保存文件夹: %1").arg(settings.qsFolder));
    }
    m_saver.setSettings(settings);
    const char* pText = settings.bEnabled ? QT_TRANSLATE_NOOP("Service", "保存图片已开启: %1 %2")
                                          : QT_TRANSLATE_NOOP("Service", "保存图片已关闭: %1 %2");
    DTLog::instance().write(QtInfoMsg, QString::fromUtf8(pText).arg(settings.qsFolder, settings.qsFormat));
}
