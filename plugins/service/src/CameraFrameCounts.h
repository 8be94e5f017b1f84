#pragma once

#include "corelink/CommTypes.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <map>
#include <mutex>

// The camera side of a link's health as the core counts it ({"frames":{...}} every
// few seconds while it changes): whole and incomplete frames, packets resent and
// missing, frames lost for want of buffers. Kept per camera, for the figures that
// the camera page shows beside what the client received and showed.
class CameraFrameCounts
{
public:
    // Any thread. True when the message was a camera's frame accounting.
    bool take(E_Message_Type type, const Json::Value& message);
    // "completed", "incomplete", "resent", "missing_packets", "no_buffer" of that
    // camera (empty: the first camera heard of); empty while the core told nothing.
    QJsonObject fields(const QString& strCamera = QString()) const;
    // A new core counts from zero again.
    void clear();

private:
    struct Counts
    {
        double dCompleted = 0;
        double dIncomplete = 0;
        double dResent = 0;
        double dMissingPackets = 0;
        double dNoBuffer = 0;
    };
    mutable std::mutex m_mutex;
    std::map<QString, Counts> m_counts;
    QStringList m_order;
};
