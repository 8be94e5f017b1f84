#pragma once

#include "corelink/CommTypes.h"

#include <QCoreApplication>
#include <QString>

// A core's error message as a failure line of the camera page's status list, so that
// what the core can only say on its own (a pixel format it cannot convert, a frame
// over the link's limit, frames lost on the camera's link) reaches the operator.
// Lost frames are worded here, with what the operator can do about them; any other
// error carries the core's own reason as plain text.
class CoreErrorText
{
    Q_DECLARE_TR_FUNCTIONS(CoreErrorText)

public:
    // Longest reason of the core shown, in characters.
    static constexpr int kMaxReason = 200;

    struct Line
    {
        // Lines of one kind are paced together: "loss" or "error", then the camera.
        QString qsKind;
        QString qsText;
    };

    // False for anything but an error message with a text.
    static bool line(E_Message_Type type, const Json::Value& message, Line* pLine);
    // The core's text on one line: control characters as blanks, cut to kMaxReason.
    static QString plain(const QString& qsText);
};
