#pragma once

#include "StreamWorker.h"

// Receives measurement results and status messages of the core.
class EventStreamWorker : public StreamWorker
{
public:
    explicit EventStreamWorker(std::shared_ptr<CoreSession> pSession);

protected:
    grpc::Status readStream(grpc::ClientContext& context) override;
};
