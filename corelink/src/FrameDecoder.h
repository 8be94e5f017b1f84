#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <grpcpp/support/byte_buffer.h>

#include "corelink/CommTypes.h"

// Decodes one serialized kelvora.core.Frame into an image that owns its
// pixels, copying the pixel bytes once from the received slices. Returns
// null and a reason for malformed or inconsistent frames.
// The camera's id, when asked for, goes to *pCamera (empty from a core that
// names none), and the core's count of frames of that camera it left out of
// this stream to *pSkipped (0 where the frame carries none).
std::shared_ptr<VexaImage> decodeFrame(grpc::ByteBuffer& message, std::string* pError,
                                       std::string* pCamera = nullptr, std::uint64_t* pSkipped = nullptr);
