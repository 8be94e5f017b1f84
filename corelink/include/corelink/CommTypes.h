#pragma once

// Values and callback types shared by the vision-core client interfaces.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <json/json.h>

namespace vexa {
class VexaImage;
}
using vexa::VexaImage;

// Results of CCommBase::init beyond gRPC's status codes (0 to 16), for a link
// with TLS (settings {"rpc": {"ip", "ca", "cert", "key"}}, PEM files).
enum E_Init_Result
{
    INIT_TLS_FILES_UNUSABLE = 101,         // a certificate or key file could not be read
    INIT_CORE_CERTIFICATE_REJECTED = 102,  // the core's certificate does not verify against "ca"
    INIT_CLIENT_CERTIFICATE_REFUSED = 103, // the core refused this client's certificate (or its lack)
    INIT_TLS_HANDSHAKE_FAILED = 104,       // TLS with the core failed otherwise (e.g. a plaintext core)
};

// One camera the core can reach.
struct CameraListing
{
    enum State
    {
        Free = 0,
        Open = 1,  // open by this connection
        InUse = 2, // open by another client of the core
    };
    std::string strId; // stable while the camera keeps its serial
    std::string strVendor;
    std::string strModel;
    std::string strSerial;
    std::string strName;      // user-defined name; empty where the camera has none
    std::string strInterface; // "GigE", "USB3" or "simulated"
    std::string strAddress;
    State state = Free;
};

// One measurement result of the core.
struct MeasureResultData
{
    std::string strCamera;    // the camera whose frame it is
    uint64_t nIdentifier = 0; // frame the result belongs to
    int nResult = 0;          // 0 pass, otherwise a failure code of the core
    double dValue = 0.0;
    std::string strText;
};

// Kind of a status message of the core; the message itself is a JSON object.
enum E_Message_Type
{
    MESSAGE_TYPE_INFO = 0,
    MESSAGE_TYPE_WARNING = 1,
    MESSAGE_TYPE_ERROR = 2,
    MESSAGE_TYPE_CAMERA_STATE = 3,
};

using FrameCallback = std::function<void(const std::shared_ptr<VexaImage>&)>;
using ResultCallback = std::function<void(const std::shared_ptr<MeasureResultData>&)>;
using MessageCallback = std::function<void(E_Message_Type, const Json::Value&)>;
// A frame that arrived but was refused (size not matching its bytes, unknown
// pixel type, ...): the number refused since init and the reason.
using RejectedFrameCallback = std::function<void(std::uint64_t nTotal, const std::string& strReason)>;
// Frames of a camera that the core left out of this client's stream because the
// client did not read them fast enough: the number since init, over every stream.
using SkippedFramesCallback = std::function<void(std::uint64_t nTotal)>;
// The link to the core went down (false) or is up again (true).
using LinkCallback = std::function<void(bool)>;
