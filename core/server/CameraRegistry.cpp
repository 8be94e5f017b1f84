#include "CameraRegistry.h"

#include <algorithm>

struct CameraRegistry::Entry
{
    CameraDescriptor descriptor;
    std::function<std::unique_ptr<CameraBackend>()> makeBackend;
    std::unique_ptr<CameraBackend> pBackend;
    std::unique_ptr<FrameBroadcast> pFrames;
    std::unique_ptr<EventBroadcast> pEvents;
    // Guarded by the registry's mutex.
    std::string strOwner;
    // When it was opened: a call naming no camera addresses the first opened.
    std::uint64_t nOpened = 0;
    bool bStarted = false;
    // Starting may take seconds (a camera that does not answer); one at a time.
    std::mutex startMutex;
};

namespace {

void stopShooting(CameraBackend& backend)
{
    backend.command(kelvora::core::COMMAND_STOP_VIDEO);
    backend.command(kelvora::core::COMMAND_STOP_CONTINUOUS);
}

} // namespace

CameraRegistry::CameraRegistry(FrameBroadcast& frames, EventBroadcast& events)
    : m_frames(frames)
    , m_events(events)
    , m_reaperThread(&CameraRegistry::reapLoop, this)
{
}

CameraRegistry::~CameraRegistry()
{
    stop();
}

bool CameraRegistry::add(const CameraDescriptor& descriptor, std::unique_ptr<CameraBackend> pBackend,
                         bool bStartNow, QString* pError)
{
    auto pEntry = std::make_unique<Entry>();
    pEntry->descriptor = descriptor;
    pEntry->pBackend = std::move(pBackend);
    pEntry->pFrames = std::make_unique<FrameBroadcast>(m_frames, descriptor.strId);
    pEntry->pEvents = std::make_unique<EventBroadcast>(m_events, descriptor.strId);
    Entry& entry = *pEntry;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_back(std::move(pEntry));
    }
    if (!bStartNow)
        return true;
    const grpc::Status status = start(entry);
    if (!status.ok() && pError != nullptr)
        *pError = QString::fromStdString(status.error_message());
    return status.ok();
}

void CameraRegistry::setDiscoverer(Discoverer discoverer)
{
    m_discoverer = std::move(discoverer);
    merge(m_discoverer());
    m_discoveryThread = std::thread(&CameraRegistry::discoverLoop, this);
}

CameraRegistry::Entry* CameraRegistry::find(const std::string& strId) const
{
    for (const auto& pEntry : m_entries)
        if (pEntry->descriptor.strId == strId)
            return pEntry.get();
    return nullptr;
}

std::vector<CameraRegistry::Listed> CameraRegistry::list(const std::string& strClient, bool bRefresh,
                                                         std::chrono::milliseconds wait)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (bRefresh && m_discoverer) {
        const std::uint64_t nTicket = ++m_nDiscoveryAsked;
        m_wake.notify_all();
        m_wake.wait_for(lock, wait, [this, nTicket] { return m_bStopping || m_nDiscoveryDone >= nTicket; });
    }
    std::vector<Listed> cameras;
    for (const auto& pEntry : m_entries) {
        Listed listed;
        listed.descriptor = pEntry->descriptor;
        listed.nState = pEntry->strOwner.empty() ? 0 : pEntry->strOwner == strClient ? 1 : 2;
        cameras.push_back(listed);
    }
    return cameras;
}

grpc::Status CameraRegistry::start(Entry& entry)
{
    std::lock_guard<std::mutex> startLock(entry.startMutex);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (entry.bStarted)
            return grpc::Status::OK;
        if (m_bStopping)
            return grpc::Status(grpc::StatusCode::UNAVAILABLE, "the core is stopping");
    }
    if (!entry.pBackend && entry.makeBackend)
        entry.pBackend = entry.makeBackend();
    if (!entry.pBackend)
        return grpc::Status(grpc::StatusCode::UNAVAILABLE,
                            "camera " + entry.descriptor.strId + " cannot be driven");
    QString strError;
    if (!entry.pBackend->start(*entry.pFrames, *entry.pEvents, &strError)) {
        entry.pBackend->stop();
        entry.pBackend.reset();
        return grpc::Status(grpc::StatusCode::UNAVAILABLE,
                            "camera " + entry.descriptor.strId + ": " + strError.toStdString());
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    entry.bStarted = true;
    return grpc::Status::OK;
}

grpc::Status CameraRegistry::open(const std::string& strClient, const std::string& strId,
                                  CameraDescriptor* pDescriptor)
{
    Entry* pEntry = nullptr;
    bool bRunning = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pEntry = find(strId);
        if (pEntry == nullptr)
            return grpc::Status(grpc::StatusCode::NOT_FOUND, "no camera " + strId);
        if (!pEntry->strOwner.empty() && pEntry->strOwner != strClient)
            return grpc::Status(grpc::StatusCode::FAILED_PRECONDITION,
                                "camera " + strId + " is in use by another client");
        // Held from now on, so a second client cannot take it while it starts.
        if (pEntry->strOwner != strClient)
            pEntry->nOpened = ++m_nOpenings;
        pEntry->strOwner = strClient;
        if (pDescriptor != nullptr)
            *pDescriptor = pEntry->descriptor;
        bRunning = pEntry->bStarted;
    }
    const grpc::Status status = start(*pEntry);
    if (!status.ok()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (pEntry->strOwner == strClient)
            pEntry->strOwner.clear();
        return status;
    }
    // A camera started now said its own news to this client; one already running
    // says again what the client may have missed.
    if (bRunning)
        pEntry->pBackend->opened();
    return status;
}

grpc::Status CameraRegistry::close(const std::string& strClient, const std::string& strId)
{
    Entry* pEntry = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        pEntry = find(strId);
        if (pEntry == nullptr)
            return grpc::Status(grpc::StatusCode::NOT_FOUND, "no camera " + strId);
        if (pEntry->strOwner != strClient)
            return grpc::Status(grpc::StatusCode::FAILED_PRECONDITION, "camera " + strId + " is not open");
        pEntry->strOwner.clear();
        if (!pEntry->bStarted)
            return grpc::Status::OK;
    }
    stopShooting(*pEntry->pBackend);
    return grpc::Status::OK;
}

grpc::Status CameraRegistry::resolve(const std::string& strClient, const std::string& strId,
                                     CameraBackend** ppBackend, std::string* pId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Entry* pEntry = nullptr;
    if (!strId.empty()) {
        pEntry = find(strId);
        if (pEntry == nullptr)
            return grpc::Status(grpc::StatusCode::NOT_FOUND, "no camera " + strId);
        if (pEntry->strOwner != strClient)
            return grpc::Status(grpc::StatusCode::FAILED_PRECONDITION,
                                pEntry->strOwner.empty()
                                    ? "camera " + strId + " is not open"
                                    : "camera " + strId + " is in use by another client");
    } else {
        pEntry = defaultFor(strClient);
        if (pEntry == nullptr)
            return grpc::Status(grpc::StatusCode::FAILED_PRECONDITION, "the core has no camera");
    }
    if (!pEntry->bStarted)
        return grpc::Status(grpc::StatusCode::UNAVAILABLE,
                            "camera " + pEntry->descriptor.strId + " is not started");
    *ppBackend = pEntry->pBackend.get();
    if (pId != nullptr)
        *pId = pEntry->descriptor.strId;
    return grpc::Status::OK;
}

CameraRegistry::Entry* CameraRegistry::defaultFor(const std::string& strClient) const
{
    Entry* pFirst = nullptr;
    for (const auto& pEntry : m_entries)
        if (pEntry->strOwner == strClient && (pFirst == nullptr || pEntry->nOpened < pFirst->nOpened))
            pFirst = pEntry.get();
    if (pFirst != nullptr)
        return pFirst;
    // A client that opened nothing (an older one, a probe) shares the first camera.
    return m_entries.empty() ? nullptr : m_entries.front().get();
}

EventBroadcast* CameraRegistry::events(const std::string& strId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Entry* pEntry = find(strId);
    return pEntry == nullptr ? nullptr : pEntry->pEvents.get();
}

std::uint64_t CameraRegistry::frameLimit(const std::string& strClient, std::uint64_t nCap) const
{
    std::vector<CameraBackend*> streamed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& pEntry : m_entries)
            if (pEntry->strOwner == strClient && pEntry->bStarted)
                streamed.push_back(pEntry->pBackend.get());
        if (streamed.empty()) {
            const Entry* pShared = defaultFor(strClient);
            if (pShared != nullptr && pShared->bStarted)
                streamed.push_back(pShared->pBackend.get());
        }
    }
    // Asked outside the registry's lock: a backend answers under its own.
    std::uint64_t nLargest = 0;
    for (CameraBackend* pBackend : streamed) {
        kelvora::core::CameraRanges ranges;
        if (!pBackend->ranges(&ranges).ok())
            continue;
        if (ranges.frame_bytes() == 0)
            return nCap;
        nLargest = std::max<std::uint64_t>(nLargest, ranges.frame_bytes());
    }
    return nLargest == 0 ? nCap : std::min(nLargest, nCap);
}

bool CameraRegistry::isHeldBy(const std::string& strCamera, const std::string& strClient) const
{
    if (strCamera.empty())
        return true;
    std::lock_guard<std::mutex> lock(m_mutex);
    return defaultFor(strClient) == find(strCamera)
        || std::any_of(m_entries.begin(), m_entries.end(), [&](const auto& pEntry) {
               return pEntry->descriptor.strId == strCamera && pEntry->strOwner == strClient;
           });
}

void CameraRegistry::streamStarted(const std::string& strClient)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_streams[strClient];
    m_idleSince.erase(strClient);
}

void CameraRegistry::streamEnded(const std::string& strClient)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (--m_streams[strClient] > 0)
        return;
    m_streams.erase(strClient);
    m_idleSince[strClient] = std::chrono::steady_clock::now();
    m_wake.notify_all();
}

void CameraRegistry::reapLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bStopping) {
        m_wake.wait_for(lock, std::chrono::milliseconds(200));
        const auto now = std::chrono::steady_clock::now();
        std::vector<CameraBackend*> released;
        for (auto it = m_idleSince.begin(); it != m_idleSince.end();) {
            if (now - it->second < m_grace) {
                ++it;
                continue;
            }
            for (const auto& pEntry : m_entries)
                if (pEntry->strOwner == it->first) {
                    pEntry->strOwner.clear();
                    if (pEntry->bStarted)
                        released.push_back(pEntry->pBackend.get());
                }
            it = m_idleSince.erase(it);
        }
        if (released.empty())
            continue;
        // Backend calls may take a while; nobody waits on the registry for them.
        lock.unlock();
        for (CameraBackend* pBackend : released)
            stopShooting(*pBackend);
        lock.lock();
    }
}

void CameraRegistry::discoverLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bStopping) {
        m_wake.wait(lock, [this] { return m_bStopping || m_nDiscoveryAsked > m_nDiscoveryDone; });
        if (m_bStopping)
            break;
        // Every request waiting now is answered by this one run.
        const std::uint64_t nTicket = m_nDiscoveryAsked;
        lock.unlock();
        std::vector<DiscoveredCamera> found = m_discoverer();
        merge(std::move(found));
        lock.lock();
        m_nDiscoveryDone = nTicket;
        m_wake.notify_all();
    }
}

void CameraRegistry::merge(std::vector<DiscoveredCamera> found)
{
    for (auto& camera : found) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (Entry* pEntry = find(camera.descriptor.strId)) {
                // A camera that moved keeps its id; its new address is told.
                pEntry->descriptor.strAddress = camera.descriptor.strAddress;
                continue;
            }
        }
        auto pEntry = std::make_unique<Entry>();
        pEntry->descriptor = camera.descriptor;
        pEntry->makeBackend = std::move(camera.makeBackend);
        pEntry->pFrames = std::make_unique<FrameBroadcast>(m_frames, camera.descriptor.strId);
        pEntry->pEvents = std::make_unique<EventBroadcast>(m_events, camera.descriptor.strId);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_back(std::move(pEntry));
    }
}

size_t CameraRegistry::size() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.size();
}

std::vector<std::string> CameraRegistry::describe() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::string> lines;
    for (const auto& pEntry : m_entries) {
        const CameraDescriptor& d = pEntry->descriptor;
        std::string strLine = d.strId + " (" + d.strInterface;
        if (!d.strAddress.empty())
            strLine += " " + d.strAddress;
        if (!d.strModel.empty())
            strLine += ", " + d.strVendor + " " + d.strModel;
        if (pEntry->bStarted && pEntry->pBackend)
            strLine += ", " + pEntry->pBackend->describe();
        lines.push_back(strLine + ")");
    }
    return lines;
}

void CameraRegistry::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bStopping && !m_reaperThread.joinable() && !m_discoveryThread.joinable())
            return;
        m_bStopping = true;
    }
    m_wake.notify_all();
    if (m_discoveryThread.joinable())
        m_discoveryThread.join();
    if (m_reaperThread.joinable())
        m_reaperThread.join();
    std::vector<CameraBackend*> backends;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& pEntry : m_entries)
            if (pEntry->pBackend)
                backends.push_back(pEntry->pBackend.get());
    }
    for (CameraBackend* pBackend : backends)
        pBackend->stop();
}
