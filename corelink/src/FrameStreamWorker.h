#pragma once

#include "StreamWorker.h"

// Receives frames as raw messages and decodes them straight into image
// buffers, so the pixel bytes are copied once on their way to the callback.
class FrameStreamWorker : public StreamWorker
{
public:
    explicit FrameStreamWorker(std::shared_ptr<CoreSession> pSession);

protected:
    grpc::Status readStream(grpc::ClientContext& context) override;
};
