#pragma once

#include <QJsonObject>
#include <QString>

#include <memory>
#include <mutex>
#include <thread>

#include "vision_core.grpc.pb.h"

namespace grpc {
class ClientContext;
}

// The core's frame accounting ({"frames":{...}}, every 2 s while it changes), heard
// as another client of the core: that of the core's first camera, the one such a
// client is shown.
class CoreFrameCounts
{
public:
    explicit CoreFrameCounts(const QString& strEndpoint);
    ~CoreFrameCounts();

    // The latest counts, empty before the first report.
    QJsonObject counts() const;

private:
    void listen();

    std::unique_ptr<kelvora::core::VisionCore::Stub> m_pStub;
    std::unique_ptr<grpc::ClientContext> m_pContext;
    mutable std::mutex m_mutex;
    QJsonObject m_latest;
    std::thread m_thread;
};
