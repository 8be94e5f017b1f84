#include "CommRPC.h"

#include <malloc.h>

#include <fstream>
#include <sstream>

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
}

CommRPC::~CommRPC()
{
    uninit();
}

std::shared_ptr<CCameraBase> CommRPC::camera()
{
    return m_pCamera;
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
        spdlog::warn("vision core at {} answered but did not confirm the subscriptions yet",
                     strEndpoint);
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
    CoreSession::prepare(context);
    kelvora::core::LoadUIRequest request;
    request.set_state(*pState);
    kelvora::core::LoadUIReply reply;
    nResult = m_pSession->conclude(pStub->NotifyLoadUI(&context, request, &reply), "notifyLoadUI");
    if (nResult == 0)
        *pState = reply.state();
    return nResult;
}
