// libFuzzer target for what the core link makes of the core's bytes: a frame
// message decoded straight into an image, an event message parsed as the
// protocol's Event, its status JSON parsed with the depth bound, and any core
// text escaped for the log.
//
// Besides the sanitizers, every decoded frame is checked against its
// geometry, and every escaped text for the absence of control characters.
#include "CoreText.h"
#include "FrameDecoder.h"
#include "common/vexa_image.h"
#include "vision_core.pb.h"

#include <cstdint>
#include <cstdlib>
#include <string>

#include <google/protobuf/stubs/logging.h>
#include <grpcpp/support/byte_buffer.h>
#include <grpcpp/support/slice.h>

namespace {

void checkFrame(const VexaImage& image, size_t nInput)
{
    const int nChannels = image.channels();
    const bool bConsistent = image.width() > 0 && image.height() > 0
        && (nChannels == 1 || nChannels == 3 || nChannels == 4)
        && image.widthStep() >= image.width() * nChannels && image.data() != nullptr
        && size_t(image.widthStep()) * size_t(image.height()) <= nInput;
    if (!bConsistent)
        std::abort();
}

void checkEscaped(const std::string& strText)
{
    const std::string strEscaped = escapeCoreText(strText);
    for (const char c : strEscaped) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            std::abort();
    }
    if (strEscaped.find("\xe2\x80\xa8") != std::string::npos
        || strEscaped.find("\xe2\x80\xa9") != std::string::npos)
        std::abort();
    for (size_t i = 0; i + 1 < strEscaped.size(); ++i) {
        const auto u = static_cast<unsigned char>(strEscaped[i + 1]);
        if (static_cast<unsigned char>(strEscaped[i]) == 0xc2 && u >= 0x80 && u <= 0x9f)
            std::abort();
    }
}

void parseMessage(const std::string& strJson)
{
    Json::Value value;
    std::string strError;
    const MessageParse result = parseCoreMessage(strJson, &value, &strError);
    if (result == MessageParse::NotJson && value["text"].asString() != strJson)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Protobuf reports every string field with invalid UTF-8 on stderr.
    google::protobuf::SetLogHandler(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    // As a frame message.
    {
        grpc::Slice slice(pData, nSize);
        grpc::ByteBuffer message(&slice, 1);
        std::string strError;
        const std::shared_ptr<VexaImage> pImage = decodeFrame(message, &strError);
        if (pImage)
            checkFrame(*pImage, nSize);
        else if (strError.empty())
            std::abort();
    }
    // As an event message.
    kelvora::core::Event event;
    if (event.ParseFromArray(pData, int(nSize))) {
        if (event.has_message())
            parseMessage(event.message().json());
        if (event.has_result())
            checkEscaped(event.result().text());
    }
    // As the text of a status message or of an error from the core.
    const std::string strText(reinterpret_cast<const char*>(pData), nSize);
    parseMessage(strText);
    checkEscaped(strText);
    return 0;
}
