#pragma once

#include "StreamWorker.h"
#include "vision_core.pb.h"

// Receives measurement results and status messages of the core.
class EventStreamWorker : public StreamWorker
{
public:
    explicit EventStreamWorker(std::shared_ptr<CoreSession> pSession);

protected:
    grpc::Status readStream(grpc::ClientContext& context) override;

private:
    void deliver(const kelvora::core::Event& event);
};
