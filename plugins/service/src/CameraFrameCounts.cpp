#include "CameraFrameCounts.h"

namespace {

// A count the core sent, or 0 where it left it out.
double countOf(const Json::Value& frames, const char* pName)
{
    const Json::Value& value = frames[pName];
    return value.isNumeric() && value.asDouble() >= 0 ? value.asDouble() : 0.0;
}

} // namespace

bool CameraFrameCounts::take(E_Message_Type type, const Json::Value& message)
{
    if (type != MESSAGE_TYPE_INFO || !message.isObject() || !message["frames"].isObject())
        return false;
    const Json::Value& frames = message["frames"];
    Counts counts;
    counts.dCompleted = countOf(frames, "completed");
    counts.dIncomplete = countOf(frames, "incomplete");
    counts.dResent = countOf(frames, "resent");
    counts.dMissingPackets = countOf(frames, "missing_packets");
    counts.dNoBuffer = countOf(frames, "no_buffer");
    const QString strCamera = message["camera_id"].isString()
        ? QString::fromStdString(message["camera_id"].asString())
        : QString();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_counts.count(strCamera))
        m_order << strCamera;
    m_counts[strCamera] = counts;
    return true;
}

QJsonObject CameraFrameCounts::fields(const QString& strCamera) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const QString strKey = strCamera.isEmpty() && !m_order.isEmpty() ? m_order.first() : strCamera;
    const auto it = m_counts.find(strKey);
    if (it == m_counts.end())
        return QJsonObject();
    const Counts& counts = it->second;
    return QJsonObject{
        {"completed", counts.dCompleted}, {"incomplete", counts.dIncomplete},
        {"resent", counts.dResent},       {"missing_packets", counts.dMissingPackets},
        {"no_buffer", counts.dNoBuffer},
    };
}

void CameraFrameCounts::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_counts.clear();
    m_order.clear();
}
