#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <grpcpp/support/status.h>

#include "CameraBackend.h"

// What the core tells a client about one camera it can reach.
struct CameraDescriptor
{
    std::string strId;
    std::string strVendor;
    std::string strModel;
    std::string strSerial;
    std::string strName;
    std::string strInterface; // "GigE", "USB3" or "simulated"
    std::string strAddress;
};

// A camera found by discovery, and how to make its backend when it is first opened.
struct DiscoveredCamera
{
    CameraDescriptor descriptor;
    std::function<std::unique_ptr<CameraBackend>()> makeBackend;
};

// The cameras of one core and which client holds each. Cameras are only ever
// added while the core runs, so a backend found here stays valid until the
// registry ends. Backends are started when first opened (or at once when
// added so); a started camera keeps running, and one released by its client
// has its shooting stopped.
//
// Discovery (bounded, slow: the library waits about a second) runs on a
// thread of its own, never on a thread that answers calls.
class CameraRegistry
{
public:
    using Discoverer = std::function<std::vector<DiscoveredCamera>()>;

    CameraRegistry(FrameBroadcast& frames, EventBroadcast& events);
    ~CameraRegistry();

    // A camera that is always there (the simulated ones, the one named on the
    // command line). bStartNow starts its backend at once; false with the
    // reason when that fails.
    bool add(const CameraDescriptor& descriptor, std::unique_ptr<CameraBackend> pBackend, bool bStartNow,
             QString* pError);
    // Runs the first discovery now (waiting for it) and further ones on request.
    void setDiscoverer(Discoverer discoverer);
    // Seconds a client may be without any stream before its cameras are released.
    void setReleaseGrace(std::chrono::milliseconds grace) { m_grace = grace; }

    struct Listed
    {
        CameraDescriptor descriptor;
        int nState = 0; // 0 free, 1 open by the asking client, 2 in use by another
    };
    // With bRefresh, a discovery is asked for and waited for up to wait.
    std::vector<Listed> list(const std::string& strClient, bool bRefresh, std::chrono::milliseconds wait);
    grpc::Status open(const std::string& strClient, const std::string& strId, CameraDescriptor* pDescriptor);
    grpc::Status close(const std::string& strClient, const std::string& strId);
    // The backend a call addresses: the named camera, which the client must
    // hold; with no name, its first open camera, or, for a client that holds
    // none (an older client, a probe), the first camera, shared and not taken.
    grpc::Status resolve(const std::string& strClient, const std::string& strId, CameraBackend** ppBackend,
                         std::string* pId);
    // The camera's feeders, for messages the service itself sends about it.
    EventBroadcast* events(const std::string& strId);
    // The largest frame (pixel bytes) a client's stream carries now: that of
    // the largest camera it holds, or of the shared first camera while it holds
    // none, at most nCap; nCap while any of them does not know its size.
    std::uint64_t frameLimit(const std::string& strClient, std::uint64_t nCap) const;

    // Whether a client's streams take the camera's items; "" (not about one
    // camera) goes to everyone.
    bool isHeldBy(const std::string& strCamera, const std::string& strClient) const;
    // A client's streams come and go; a client left without one for the
    // grace time loses its cameras.
    void streamStarted(const std::string& strClient);
    void streamEnded(const std::string& strClient);

    size_t size() const;
    // One line per camera for the start-up banner.
    std::vector<std::string> describe() const;
    // Ends discovery and every camera's threads. Idempotent.
    void stop();

private:
    struct Entry;
    Entry* find(const std::string& strId) const;
    Entry* defaultFor(const std::string& strClient) const;
    grpc::Status start(Entry& entry);
    void releaseLater(Entry& entry);
    void discoverLoop();
    void merge(std::vector<DiscoveredCamera> found);
    void reapLoop();

    FrameBroadcast& m_frames;
    EventBroadcast& m_events;
    std::chrono::milliseconds m_grace{3000};

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<std::unique_ptr<Entry>> m_entries;
    // Open streams per client, and since when a client has none.
    std::map<std::string, int> m_streams;
    std::map<std::string, std::chrono::steady_clock::time_point> m_idleSince;
    bool m_bStopping = false;
    std::uint64_t m_nOpenings = 0;

    Discoverer m_discoverer;
    std::uint64_t m_nDiscoveryAsked = 0;
    std::uint64_t m_nDiscoveryDone = 0;
    std::thread m_discoveryThread;
    std::thread m_reaperThread;
};
