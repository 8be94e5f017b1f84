#pragma once

#include "corelink/CommTypes.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The core's camera-lost and camera-back messages as status texts for the
// camera page: an operator must learn that the camera went away. At most one
// text a second, so a flapping cable cannot flood the list; the newest state
// waiting for its turn is never dropped. Every other core message is left to
// the log.
class CameraStateNotice : public QObject
{
    Q_OBJECT

public:
    using Show = std::function<void(const QString& qsText, bool bSuccess)>;

    static const char* const kLostText;
    static const char* const kBackText;

    explicit CameraStateNotice(Show showText, int nMinGapMs = 1000, QObject* parent = nullptr);

    // Any thread; the text is shown on this object's thread.
    void post(E_Message_Type type, const Json::Value& message);
    // True for a camera-lost or camera-back message, with which one it is.
    static bool parse(E_Message_Type type, const Json::Value& message, bool* pBack);

    // The camera's state for the figures: nothing heard yet, lost, being reopened by
    // the core ({"camera":"reopening"}, shown in the figures only), back.
    enum State
    {
        StateNone,
        StateLost,
        StateReopening,
        StateBack
    };
    // True for any of the three camera-state messages.
    static bool parseState(E_Message_Type type, const Json::Value& message, int* pState);
    // "" (none), "lost", "reopening", "back": the figures' "camera_state".
    static QString stateName(int nState);

private:
    void arrived(bool bBack);
    void show(bool bBack);

    Show m_show;
    const int m_nMinGapMs;
    QElapsedTimer m_lastShown;
    QTimer m_timer;
    bool m_bPending = false;
    bool m_bPendingBack = false;
};
