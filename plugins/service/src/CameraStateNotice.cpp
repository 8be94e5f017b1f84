#include "CameraStateNotice.h"

const char* const CameraStateNotice::kLostText = QT_TRANSLATE_NOOP("Service", "相机连接中断，正在重新连接");
const char* const CameraStateNotice::kBackText = QT_TRANSLATE_NOOP("Service", "相机已重新连接");

CameraStateNotice::CameraStateNotice(Show showText, int nMinGapMs, QObject* parent)
    : QObject(parent)
    , m_show(std::move(showText))
    , m_nMinGapMs(nMinGapMs)
{
    m_timer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early, inside the gap.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_bPending)
            show(m_bPendingBack);
    });
}

bool CameraStateNotice::parse(E_Message_Type type, const Json::Value& message, bool* pBack)
{
    if (type != MESSAGE_TYPE_CAMERA_STATE || !message.isObject() || !message["camera"].isString())
        return false;
    const std::string strState = message["camera"].asString();
    if (strState != "lost" && strState != "back")
        return false;
    *pBack = strState == "back";
    return true;
}

bool CameraStateNotice::parseState(E_Message_Type type, const Json::Value& message, int* pState)
{
    if (type != MESSAGE_TYPE_CAMERA_STATE || !message.isObject() || !message["camera"].isString())
        return false;
    const std::string strState = message["camera"].asString();
    if (strState == "lost")
        *pState = StateLost;
    else if (strState == "reopening")
        *pState = StateReopening;
    else if (strState == "back")
        *pState = StateBack;
    else
        return false;
    return true;
}

QString CameraStateNotice::stateName(int nState)
{
    switch (nState) {
    case StateLost: return QStringLiteral("lost");
    case StateReopening: return QStringLiteral("reopening");
    case StateBack: return QStringLiteral("back");
    default: return QString();
    }
}

void CameraStateNotice::post(E_Message_Type type, const Json::Value& message)
{
    bool bBack = false;
    if (!parse(type, message, &bBack))
        return;
    // Queued to this object's thread; dropped if the object is gone by then.
    QMetaObject::invokeMethod(
        this, [this, bBack] { arrived(bBack); }, Qt::QueuedConnection);
}

void CameraStateNotice::arrived(bool bBack)
{
    if (!m_timer.isActive() && (!m_lastShown.isValid() || m_lastShown.elapsed() >= m_nMinGapMs)) {
        show(bBack);
        return;
    }
    m_bPending = true;
    m_bPendingBack = bBack;
    if (!m_timer.isActive())
        m_timer.start(int(qMax<qint64>(0, m_nMinGapMs - m_lastShown.elapsed())));
}

void CameraStateNotice::show(bool bBack)
{
    m_bPending = false;
    m_lastShown.start();
    m_show(QString::fromUtf8(bBack ? kBackText : kLostText), bBack);
}
