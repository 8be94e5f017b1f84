#pragma once

#include <memory>
#include <string>

#include <grpcpp/support/byte_buffer.h>

#include "corelink/CommTypes.h"

// Decodes one serialized kelvora.core.Frame into an image that owns its
// pixels, copying the pixel bytes once from the received slices. Returns
// null and a reason for malformed or inconsistent frames.
std::shared_ptr<VexaImage> decodeFrame(grpc::ByteBuffer& message, std::string* pError);
