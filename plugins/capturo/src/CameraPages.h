#pragma once

#include <QImage>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

// Which camera each record of the camera page belongs to, which camera's page is
// shown, and what a camera keeps while its page is not shown (the continuous
// button's state, its newest frame and figures). No widgets: the plugin keeps one
// panel per camera and asks here where a record goes. A record without "camera"
// belongs to the first open camera; before any camera is open (an older core) to the
// one page there is, under the empty id.
class CameraPages
{
public:
    struct CameraState
    {
        QString strCaption;
        bool bContinuous = false;
        // The newest frame while the page was not shown: shown when it is selected.
        QImage lastFrame;
        QString strLastKey;
        QJsonObject lastFigures;
        quint64 nFramesReceived = 0;
        quint64 nFramesShown = 0;
        // The debounce time and the trigger type are read once the ranges say the
        // camera has a debouncer and a trigger activation: ranges replies so far,
        // what the last one said, and whether a read of the camera still waits for one.
        quint64 nRangesReplies = 0;
        bool bHasDebouncer = false;
        bool bHasActivation = true;
        bool bRangedReadsDue = false;
    };

    // An open reply: the camera joins the open cameras (in the order opened).
    void opened(const QString& strId, const QString& strCaption);
    void closed(const QString& strId);
    // The operator's tab: true when the shown camera changed.
    bool select(const QString& strId);

    QString cameraOf(const QJsonObject& json) const;
    QString firstOpen() const { return m_open.isEmpty() ? QString() : m_open.first(); }
    // The camera whose page is shown: the chosen one while it is open, else the first open.
    QString selected() const;
    bool isShown(const QString& strId) const { return strId == selected(); }
    bool isOpen(const QString& strId) const { return m_open.contains(strId); }
    const QStringList& openCameras() const { return m_open; }

    CameraState& state(const QString& strId) { return m_states[strId]; }
    const CameraState stateOf(const QString& strId) const { return m_states.value(strId); }

private:
    QStringList m_open;
    QString m_strSelected;
    QMap<QString, CameraState> m_states;
};
