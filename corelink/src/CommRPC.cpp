#include "CommRPC.h"

#include <malloc.h>

#include <fstream>
#include <sstream>
#include <algorithm>

#include <spdlog/spdlog.h>

#include "CameraRPC.h"
#include "CoreSession.h"
#include "EventStreamWorker.h"
#include "FrameStreamWorker.h"

namespace {

// Each frame is a fresh buffer of several megabytes. With glibc's defaults
// such a buffer is mapped, faulted in page by page and handed back on free,
// which halved the frame rate of 1080p video; kept in the heap it is reused.
void keepFrameBuffersInHeap()
{
    static std::once_flag once;
    std::call_once(once, [] {
        mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    });
}

bool readFile(const std::string& strPath, std::string* pText)
{
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        return false;
    std::ostringstream text;
    text << file.rdbuf();
    *pText = text.str();
    return bool(file) || file.eof();
}

// The TLS files named by the settings; false (logged) when one is unusable.
bool readTls(const Json::Value& rpc, CoreSession::Tls* pTls)
{
    const auto member = [&rpc](const char* pName) {
        const Json::Value& value = rpc[pName];
        return value.isString() ? value.asString() : std::string();
    };
    const std::string strCa = member("ca");
    const std::string strCert = member("cert");
    const std::string strKey = member("key");
    if (strCa.empty() && strCert.empty() && strKey.empty())
        return true;
    if (strCa.empty() || strCert.empty() != strKey.empty()) {
        spdlog::error("init failed: TLS needs \"ca\", and \"cert\" with \"key\"");
        return false;
    }
    const std::pair<const std::string*, std::string*> files[] = {
        {&strCa, &pTls->strCa}, {&strCert, &pTls->strCert}, {&strKey, &pTls->strKey}};
    for (const auto& file : files) {
        if (!file.first->empty() && !readFile(*file.first, file.second)) {
            spdlog::error("init failed: cannot read {}", *file.first);
            return false;
        }
    }
    return true;
}

} // namespace

CommRPC::CommRPC()
    : m_pSession(std::make_shared<CoreSession>())
    , m_pCamera(std::make_shared<CameraRPC>(m_pSession))
{
    m_pSession->setReconnectHook([this] { reopenCameras(); });
}

CommRPC::~CommRPC()
{
    uninit();
    m_pSession->setReconnectHook(nullptr);
}

std::shared_ptr<CCameraBase> CommRPC::camera()
{
    return m_pCamera;
}

std::shared_ptr<CCameraBase> CommRPC::camera(const std::string& id)
{
    if (id.empty())
        return m_pCamera;
    std::lock_guard<std::mutex> lock(m_cameraMutex);
    auto& pCamera = m_cameras[id];
    if (!pCamera)
        pCamera = std::make_shared<CameraRPC>(m_pSession, id);
    return pCamera;
}

namespace {

CameraListing listingOf(const kelvora::core::CameraEntry& entry)
{
    CameraListing listing;
    listing.strId = entry.id();
    listing.strVendor = entry.vendor();
    listing.strModel = entry.model();
    listing.strSerial = entry.serial();
    listing.strName = entry.name();
    listing.strInterface = entry.interface();
    listing.strAddress = entry.address();
    switch (entry.state()) {
    case kelvora::core::CAMERA_OPEN: listing.state = CameraListing::Open; break;
    case kelvora::core::CAMERA_IN_USE: listing.state = CameraListing::InUse; break;
    default: listing.state = CameraListing::Free; break;
    }
    return listing;
}

std::shared_ptr<kelvora::core::VisionCore::Stub> connectedStub(const CoreSession& session, const char* pWhat)
{
    auto pStub = session.stub();
    if (!pStub)
        spdlog::warn("{} failed: not connected to the vision core", pWhat);
    return pStub;
}

// Discovery in the core takes about a second; opening a camera that does
// not answer, a few.
constexpr std::chrono::milliseconds kListTimeout{3000};
constexpr std::chrono::milliseconds kOpenTimeout{5000};

} // namespace

int CommRPC::listCameras(std::vector<CameraListing>* pCameras, bool bRefresh)
{
    if (pCameras == nullptr) {
        spdlog::warn("listCameras failed: no place for the result");
        return CoreSession::kNotConnected;
    }
    // Not through the gate: a slow list must not mark the core as silent.
    const auto pStub = connectedStub(*m_pSession, "listCameras");
    if (!pStub)
        return CoreSession::kNotConnected;
    grpc::ClientContext context;
    m_pSession->prepare(context, kListTimeout);
    kelvora::core::ListCamerasRequest request;
    request.set_refresh(bRefresh);
    kelvora::core::CameraList reply;
    const int nResult = CoreSession::check(pStub->ListCameras(&context, request, &reply), "listCameras");
    if (nResult != 0)
        return nResult;
    pCameras->clear();
    for (const auto& entry : reply.cameras())
        pCameras->push_back(listingOf(entry));
    return 0;
}

int CommRPC::openCamera(const std::string& id, CameraListing* pListing)
{
    const auto pStub = connectedStub(*m_pSession, "openCamera");
    if (!pStub)
        return CoreSession::kNotConnected;
    grpc::ClientContext context;
    m_pSession->prepare(context, kOpenTimeout);
    kelvora::core::CameraRequest request;
    request.set_camera(id);
    kelvora::core::CameraEntry reply;
    const int nResult = CoreSession::check(pStub->OpenCamera(&context, request, &reply), "openCamera");
    if (nResult != 0)
        return nResult;
    {
        std::lock_guard<std::mutex> lock(m_cameraMutex);
        if (std::find(m_opened.begin(), m_opened.end(), id) == m_opened.end())
            m_opened.push_back(id);
    }
    m_pSession->announceFrameBytes(id, reply.frame_bytes());
    if (pListing != nullptr)
        *pListing = listingOf(reply);
    spdlog::info("camera {} opened", id);
    return 0;
}

int CommRPC::closeCamera(const std::string& id)
{
    {
        std::lock_guard<std::mutex> lock(m_cameraMutex);
        m_opened.erase(std::remove(m_opened.begin(), m_opened.end(), id), m_opened.end());
    }
    int nResult = 0;
    const auto pStub = m_pSession->admit("closeCamera", &nResult);
    if (!pStub)
        return nResult;
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::CameraRequest request;
    request.set_camera(id);
    kelvora::core::Empty reply;
    return m_pSession->conclude(pStub->CloseCamera(&context, request, &reply), "closeCamera");
}

void CommRPC::reopenCameras()
{
    std::vector<std::string> opened;
    {
        std::lock_guard<std::mutex> lock(m_cameraMutex);
        opened = m_opened;
    }
    for (const std::string& id : opened)
        openCamera(id, nullptr);
}

void CommRPC::setResultCallback(ResultCallback callback)
{
    m_pSession->setResultCallback(std::move(callback));
}

void CommRPC::setMessageCallback(MessageCallback callback)
{
    m_pSession->setMessageCallback(std::move(callback));
}

void CommRPC::setLinkCallback(LinkCallback callback)
{
    m_pSession->setLinkCallback(std::move(callback));
}

int CommRPC::init(const Json::Value& settings)
{
    // Indexing a non-object throws in JsonCpp, so check each level.
    const Json::Value& rpc = settings.isObject() ? settings["rpc"] : Json::Value::nullSingleton();
    const Json::Value& ip = rpc.isObject() ? rpc["ip"] : Json::Value::nullSingleton();
    if (!ip.isString() || ip.asString().empty()) {
        spdlog::error("init failed: settings need {}", R"({"rpc": {"ip": "host:port"}})");
        return CoreSession::kNotConnected;
    }
    const std::string strEndpoint = ip.asString();
    CoreSession::Tls tls;
    if (!readTls(rpc, &tls))
        return INIT_TLS_FILES_UNUSABLE;

    keepFrameBuffersInHeap();
    // A second init starts over on the new endpoint.
    uninit();
    std::lock_guard<std::mutex> lock(m_lifeMutex);
    m_pSession->setTls(tls);
    const int nResult = m_pSession->connect(strEndpoint);
    if (nResult != 0)
        return nResult;
    m_pFrameWorker = std::make_shared<FrameStreamWorker>(m_pSession);
    m_pEventWorker = std::make_shared<EventStreamWorker>(m_pSession);
    m_pSession->expectStreams(2);
    m_pFrameWorker->start();
    m_pEventWorker->start();
    // A photo taken right after init must not be lost to a subscription
    // still on its way.
    const auto deadline = std::chrono::steady_clock::now() + CoreSession::kConnectTimeout;
    if (!m_pFrameWorker->waitSubscribed(deadline) || !m_pEventWorker->waitSubscribed(deadline))
        spdlog::warn("vision core at {} answered but did not confirm the subscriptions yet", strEndpoint);
    return 0;
}

void CommRPC::uninit()
{
    // An init waiting for the core on another thread gives up now.
    m_pSession->cancelConnect();
    std::shared_ptr<StreamWorker> pFrameWorker;
    std::shared_ptr<StreamWorker> pEventWorker;
    {
        std::lock_guard<std::mutex> lock(m_lifeMutex);
        pFrameWorker.swap(m_pFrameWorker);
        pEventWorker.swap(m_pEventWorker);
    }
    // Both cancel at once, then join: uninit costs one stream teardown, not two.
    if (pFrameWorker)
        pFrameWorker->stop();
    if (pEventWorker)
        pEventWorker->stop();
    if (pFrameWorker || pEventWorker)
        spdlog::info("disconnected from vision core at {}", m_pSession->endpoint());
    m_pSession->disconnect();
}

int CommRPC::notifyLoadUI(int* pState)
{
    if (pState == nullptr) {
        spdlog::warn("notifyLoadUI failed: no state given");
        return CoreSession::kNotConnected;
    }
    int nResult = 0;
    const auto pStub = m_pSession->admit("notifyLoadUI", &nResult);
    if (!pStub)
        return nResult;
    grpc::ClientContext context;
    m_pSession->prepare(context);
    kelvora::core::LoadUIRequest request;
    request.set_state(*pState);
    kelvora::core::LoadUIReply reply;
    nResult = m_pSession->conclude(pStub->NotifyLoadUI(&context, request, &reply), "notifyLoadUI");
    if (nResult == 0)
        *pState = reply.state();
    return nResult;
}
