#pragma once

#include <QJsonObject>
#include <QMap>
#include <QString>

#include <memory>
#include <mutex>
#include <thread>

#include "vision_core.grpc.pb.h"

namespace grpc {
class ClientContext;
}

// The core's frame accounting ({"frames":{...}}, every 2 s while it changes), heard
// as another client of the core, per camera.
class CoreFrameCounts
{
public:
    explicit CoreFrameCounts(const QString& strEndpoint);
    ~CoreFrameCounts();

    // The latest counts of that camera; without an id, the latest of any camera.
    QJsonObject counts(const QString& strCamera = QString()) const;
    double completed(const QString& strCamera) const
    {
        return counts(strCamera).value("completed").toDouble();
    }

private:
    void listen();

    std::unique_ptr<kelvora::core::VisionCore::Stub> m_pStub;
    std::unique_ptr<grpc::ClientContext> m_pContext;
    mutable std::mutex m_mutex;
    QMap<QString, QJsonObject> m_counts;
    QJsonObject m_latest;
    std::thread m_thread;
};
