#include "FrameDecoder.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include <google/protobuf/io/coded_stream.h>
#include <google/protobuf/wire_format_lite.h>
#include <grpcpp/support/proto_buffer_reader.h>

#include "common/vexa_image.h"
#include "vision_core.pb.h"

namespace {

using google::protobuf::internal::WireFormatLite;

// Field numbers of kelvora.core.Frame.
enum FrameField : uint32_t
{
    kIdentifier = 1,
    kWidth = 2,
    kHeight = 3,
    kType = 4,
    kWidthStep = 5,
    kCamera = 6,
    kSkipped = 7,
    kData = 15,
};
// Read straight from the wire, so they must follow the protocol file.
using kelvora::core::Frame;
static_assert(uint32_t(kIdentifier) == uint32_t(Frame::kIdentifierFieldNumber), "identifier field moved");
static_assert(uint32_t(kWidth) == uint32_t(Frame::kWidthFieldNumber), "width field moved");
static_assert(uint32_t(kHeight) == uint32_t(Frame::kHeightFieldNumber), "height field moved");
static_assert(uint32_t(kType) == uint32_t(Frame::kTypeFieldNumber), "type field moved");
static_assert(uint32_t(kWidthStep) == uint32_t(Frame::kWidthStepFieldNumber), "width_step field moved");
static_assert(uint32_t(kCamera) == uint32_t(Frame::kCameraFieldNumber), "camera field moved");
static_assert(uint32_t(kSkipped) == uint32_t(Frame::kSkippedFieldNumber), "skipped field moved");
static_assert(uint32_t(kData) == uint32_t(Frame::kDataFieldNumber), "data field moved");

struct FrameHeader
{
    uint64_t nIdentifier = 0;
    int64_t nWidth = 0;
    int64_t nHeight = 0;
    // Absent fields hold the protocol defaults: type 0 is grey.
    int64_t nType = 0;
    int64_t nWidthStep = 0;
    uint64_t nSkipped = 0;
};

int channelsOf(int64_t nType)
{
    switch (nType) {
    case 0: return 1;
    case 1: return 3;
    case 2: return 4;
    default: return 0;
    }
}

// Checks the geometry against the byte count announced for the pixels.
bool validate(const FrameHeader& header, uint64_t nBytes, std::string* pError)
{
    const int nChannels = channelsOf(header.nType);
    if (nChannels == 0) {
        *pError = "unknown pixel type " + std::to_string(header.nType);
        return false;
    }
    if (header.nWidth <= 0 || header.nHeight <= 0 || header.nWidth > INT_MAX || header.nHeight > INT_MAX
        || header.nWidthStep > INT_MAX || header.nWidthStep < header.nWidth * nChannels) {
        *pError = "bad geometry " + std::to_string(header.nWidth) + "x" + std::to_string(header.nHeight)
            + " step " + std::to_string(header.nWidthStep);
        return false;
    }
    if (uint64_t(header.nWidthStep) * uint64_t(header.nHeight) != nBytes) {
        *pError = "pixel bytes " + std::to_string(nBytes) + " do not match the geometry";
        return false;
    }
    return true;
}

std::shared_ptr<VexaImage> allocate(const FrameHeader& header)
{
    auto pImage = std::make_shared<VexaImage>();
    if (!VexaImage::allocateNewMemory(int(header.nWidth), int(header.nHeight), int(header.nType),
                                      int(header.nWidthStep), *pImage)
        || pImage->data() == nullptr)
        return nullptr;
    pImage->setIdentifier(header.nIdentifier);
    return pImage;
}

} // namespace

std::shared_ptr<VexaImage> decodeFrame(grpc::ByteBuffer& message, std::string* pError, std::string* pCamera,
                                       std::uint64_t* pSkipped)
{
    grpc::ProtoBufferReader reader(&message);
    google::protobuf::io::CodedInputStream input(&reader);
    input.SetTotalBytesLimit(INT_MAX);

    FrameHeader header;
    std::shared_ptr<VexaImage> pImage;
    // Pixels that came before the geometry; only a foreign sender does that.
    std::string strEarlyPixels;
    bool bHavePixels = false;

    struct TellSkipped
    {
        const FrameHeader& header;
        std::uint64_t* pSkipped;
        ~TellSkipped()
        {
            if (pSkipped != nullptr)
                *pSkipped = header.nSkipped;
        }
    } tellSkipped{header, pSkipped};
    while (const uint32_t nTag = input.ReadTag()) {
        const uint32_t nField = WireFormatLite::GetTagFieldNumber(nTag);
        const auto wireType = WireFormatLite::GetTagWireType(nTag);
        uint64_t nValue = 0;
        if (wireType == WireFormatLite::WIRETYPE_VARINT && nField != kData) {
            if (!input.ReadVarint64(&nValue)) {
                *pError = "truncated frame header";
                return nullptr;
            }
            switch (nField) {
            case kIdentifier: header.nIdentifier = nValue; break;
            case kWidth: header.nWidth = int32_t(nValue); break;
            case kHeight: header.nHeight = int32_t(nValue); break;
            case kType: header.nType = int32_t(nValue); break;
            case kWidthStep: header.nWidthStep = int32_t(nValue); break;
            case kSkipped: header.nSkipped = nValue; break;
            default: break;
            }
            continue;
        }
        if (nField == kCamera && wireType == WireFormatLite::WIRETYPE_LENGTH_DELIMITED) {
            uint32_t nLength = 0;
            std::string strCamera;
            // An id is a short name; a longer one is not a camera's.
            if (!input.ReadVarint32(&nLength) || nLength > 1024
                || !input.ReadString(&strCamera, int(nLength))) {
                *pError = "malformed camera id";
                return nullptr;
            }
            if (pCamera != nullptr)
                *pCamera = std::move(strCamera);
            continue;
        }
        if (nField == kData && wireType == WireFormatLite::WIRETYPE_LENGTH_DELIMITED) {
            uint32_t nLength = 0;
            if (!input.ReadVarint32(&nLength)) {
                *pError = "truncated pixel field";
                return nullptr;
            }
            // Never allocate more than the message can hold.
            if (nLength > message.Length()) {
                *pError = "pixel field longer than the message";
                return nullptr;
            }
            bHavePixels = true;
            if (header.nWidth > 0 && header.nHeight > 0 && header.nWidthStep > 0) {
                if (!validate(header, nLength, pError))
                    return nullptr;
                pImage = allocate(header);
                if (!pImage) {
                    *pError = "no memory for the frame";
                    return nullptr;
                }
                if (!input.ReadRaw(pImage->data(), int(nLength))) {
                    *pError = "truncated pixel data";
                    return nullptr;
                }
                strEarlyPixels.clear();
            } else if (!input.ReadString(&strEarlyPixels, int(nLength))) {
                *pError = "truncated pixel data";
                return nullptr;
            }
            continue;
        }
        if (!WireFormatLite::SkipField(&input, nTag)) {
            *pError = "malformed frame";
            return nullptr;
        }
    }
    if (!input.ConsumedEntireMessage()) {
        *pError = "malformed frame";
        return nullptr;
    }
    if (!bHavePixels) {
        *pError = "frame without pixels";
        return nullptr;
    }
    if (pImage && strEarlyPixels.empty()) {
        // Geometry fields repeated after the pixels must still describe them.
        if (pImage->width() != header.nWidth || pImage->height() != header.nHeight
            || pImage->type() != header.nType || pImage->widthStep() != header.nWidthStep) {
            *pError = "geometry changed after the pixels";
            return nullptr;
        }
        pImage->setIdentifier(header.nIdentifier);
        return pImage;
    }

    if (!validate(header, strEarlyPixels.size(), pError))
        return nullptr;
    pImage = allocate(header);
    if (!pImage) {
        *pError = "no memory for the frame";
        return nullptr;
    }
    std::memcpy(pImage->data(), strEarlyPixels.data(), strEarlyPixels.size());
    return pImage;
}
