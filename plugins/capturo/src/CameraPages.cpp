#include "CameraPages.h"

void CameraPages::opened(const QString& strId, const QString& strCaption)
{
    if (strId.isEmpty())
        return;
    if (!m_open.contains(strId))
        m_open.append(strId);
    m_states[strId].strCaption = strCaption;
}

void CameraPages::closed(const QString& strId)
{
    m_open.removeAll(strId);
    // A closed camera shoots no more: opened again, its button starts released.
    if (m_states.contains(strId)) {
        m_states[strId].bContinuous = false;
        m_states[strId].lastFrame = QImage();
    }
}

bool CameraPages::select(const QString& strId)
{
    const QString strBefore = selected();
    m_strSelected = strId;
    return selected() != strBefore;
}

QString CameraPages::cameraOf(const QJsonObject& json) const
{
    const QString strId = json.value("camera").toString();
    return strId.isEmpty() ? firstOpen() : strId;
}

QString CameraPages::selected() const
{
    if (!m_strSelected.isEmpty() && m_open.contains(m_strSelected))
        return m_strSelected;
    return firstOpen();
}
