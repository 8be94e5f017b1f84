#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// Hands each published item to every subscriber through a short queue of its
// own. A camera does not wait for slow readers: a full queue loses its oldest
// item, and the subscription counts it for that camera, so the reader can be
// told. Only the "as fast as possible" producer waits for room instead.
//
// A core with several cameras has one broadcast (the hub) that its readers
// subscribe to, and one feeder per camera, made with the hub and the camera's
// id: a feeder stamps the id into every item (T has set_camera) and puts it
// into the hub. Each subscriber's queue holds at most the hub's bound per
// camera, so one busy camera never pushes another camera's items out, and a
// subscriber may take only the cameras its filter accepts.
template <typename T>
class Broadcast
{
public:
    // Decides, per camera id, whether a subscriber takes its items. Called
    // with the hub's lock held: it must not publish.
    using Filter = std::function<bool(const std::string& strCamera)>;
    // The bytes an item holds, for a bound in bytes.
    using Sizer = std::function<size_t(const T& item)>;

    // What one subscriber's queue holds of one camera: at most nItems, and
    // beyond nKept items no more than nBytes (0: no bound in bytes), so large
    // items cannot pile up memory while small ones get the whole depth.
    struct Bound
    {
        size_t nItems = 2;
        size_t nBytes = 0;
        size_t nKept = 1;
    };

    class Subscription
    {
    public:
        // Next item, or null after the timeout or once closed. *pDropped (when
        // given) gets how many items of the item's camera this subscription
        // lost so far, as of taking it.
        std::shared_ptr<const T> pop(std::chrono::milliseconds timeout, std::uint64_t* pDropped = nullptr)
        {
            std::unique_lock<std::mutex> lock(m_pOwner->m_mutex);
            m_pOwner->m_changed.wait_for(lock, timeout,
                                         [this] { return !m_queue.empty() || m_pOwner->m_bClosed; });
            if (m_queue.empty())
                return nullptr;
            Entry entry = std::move(m_queue.front());
            m_queue.pop_front();
            Lane& lane = m_lanes[entry.strCamera];
            --lane.nItems;
            lane.nBytes -= entry.nBytes;
            if (pDropped != nullptr)
                *pDropped = lane.nDropped;
            m_pOwner->m_changed.notify_all();
            return std::move(entry.pItem);
        }

        // Items of that camera lost so far because this reader fell behind.
        std::uint64_t dropped(const std::string& strCamera) const
        {
            std::lock_guard<std::mutex> lock(m_pOwner->m_mutex);
            const auto it = m_lanes.find(strCamera);
            return it == m_lanes.end() ? 0 : it->second.nDropped;
        }

    private:
        friend class Broadcast;
        struct Entry
        {
            std::string strCamera;
            std::shared_ptr<const T> pItem;
            size_t nBytes = 0;
        };
        // One camera's part of the queue.
        struct Lane
        {
            size_t nItems = 0;
            size_t nBytes = 0;
            // The size of the camera's last item: the next one is likely the same.
            size_t nLastBytes = 0;
            std::uint64_t nDropped = 0;
        };

        Subscription(Broadcast* pOwner, Filter filter)
            : m_pOwner(pOwner)
            , m_filter(std::move(filter))
        {
        }
        bool takes(const std::string& strCamera) const { return !m_filter || m_filter(strCamera); }
        Broadcast* m_pOwner;
        Filter m_filter;
        std::deque<Entry> m_queue;
        std::map<std::string, Lane> m_lanes;
    };

    // A hub: readers subscribe here.
    explicit Broadcast(size_t nDepth)
        : Broadcast(Bound{nDepth, 0, nDepth})
    {
    }
    Broadcast(Bound bound, Sizer sizer)
        : Broadcast(bound)
    {
        m_sizer = std::move(sizer);
    }
    explicit Broadcast(Bound bound)
        : m_bound(bound)
    {
        m_bound.nItems = std::max<size_t>(m_bound.nItems, 1);
        m_bound.nKept = std::min(std::max<size_t>(m_bound.nKept, 1), m_bound.nItems);
    }
    // A feeder into the hub for one camera.
    Broadcast(Broadcast& hub, std::string strCamera)
        : m_bound(hub.m_bound)
        , m_pHub(&hub)
        , m_strCamera(std::move(strCamera))
    {
    }

    std::shared_ptr<Subscription> subscribe(Filter filter = Filter())
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto pSubscription = std::shared_ptr<Subscription>(new Subscription(this, std::move(filter)));
        m_subscriptions.push_back(pSubscription);
        m_changed.notify_all();
        return pSubscription;
    }

    void unsubscribe(const std::shared_ptr<Subscription>& pSubscription)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_subscriptions.erase(std::remove(m_subscriptions.begin(), m_subscriptions.end(), pSubscription),
                              m_subscriptions.end());
        m_changed.notify_all();
    }

    // A feeder stamps its camera into an item that is still the producer's own.
    void publish(std::shared_ptr<T> pItem)
    {
        if (m_pHub && pItem)
            pItem->set_camera(m_strCamera);
        publish(std::shared_ptr<const T>(std::move(pItem)));
    }

    void publish(std::shared_ptr<const T> pItem)
    {
        if (m_pHub) {
            if (isClosed())
                return;
            m_pHub->put(m_strCamera, std::move(pItem));
            return;
        }
        put(std::string(), std::move(pItem));
    }

    // Waits until there is a subscriber for this camera and every such queue
    // has room; false on timeout or once closed.
    bool waitForRoom(std::chrono::milliseconds timeout)
    {
        if (m_pHub) {
            const auto until = std::chrono::steady_clock::now() + timeout;
            // The feeder's own closing is seen within a short slice.
            while (!isClosed()) {
                const auto now = std::chrono::steady_clock::now();
                if (now >= until)
                    return false;
                const auto slice = std::min<std::chrono::steady_clock::duration>(
                    until - now, std::chrono::milliseconds(50));
                if (m_pHub->waitForRoomOf(m_strCamera,
                                          std::chrono::duration_cast<std::chrono::milliseconds>(slice)))
                    return !isClosed();
            }
            return false;
        }
        return waitForRoomOf(std::string(), timeout);
    }

    // Wakes every waiter; pops return null from now on. A feeder only stops
    // taking items.
    void close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosed = true;
        for (auto& pSubscription : m_subscriptions) {
            pSubscription->m_queue.clear();
            for (auto& lane : pSubscription->m_lanes) {
                lane.second.nItems = 0;
                lane.second.nBytes = 0;
            }
        }
        m_changed.notify_all();
    }

    bool isClosed() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bClosed;
    }

private:
    using Lane = typename Subscription::Lane;

    // Whether one more item of nBytes would push an older one out.
    bool full(const Lane& lane, size_t nBytes) const
    {
        if (lane.nItems >= m_bound.nItems)
            return true;
        return m_bound.nBytes != 0 && lane.nItems >= m_bound.nKept && lane.nBytes + nBytes > m_bound.nBytes;
    }

    void put(const std::string& strCamera, std::shared_ptr<const T> pItem)
    {
        const size_t nBytes = pItem && m_sizer ? m_sizer(*pItem) : 0;
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bClosed)
            return;
        for (auto& pSubscription : m_subscriptions) {
            if (!pSubscription->takes(strCamera))
                continue;
            auto& queue = pSubscription->m_queue;
            Lane& lane = pSubscription->m_lanes[strCamera];
            auto oldest = queue.begin();
            while (lane.nItems > 0 && full(lane, nBytes)) {
                oldest = std::find_if(oldest, queue.end(), [&strCamera](const auto& entry) {
                    return entry.strCamera == strCamera;
                });
                if (oldest == queue.end())
                    break;
                --lane.nItems;
                lane.nBytes -= oldest->nBytes;
                ++lane.nDropped;
                oldest = queue.erase(oldest);
            }
            queue.push_back({strCamera, pItem, nBytes});
            ++lane.nItems;
            lane.nBytes += nBytes;
            lane.nLastBytes = nBytes;
        }
        m_changed.notify_all();
    }

    bool waitForRoomOf(const std::string& strCamera, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this, &strCamera] {
            return m_bClosed || hasRoom(strCamera);
        }) && !m_bClosed;
    }

    bool hasRoom(const std::string& strCamera) const
    {
        bool bAnyReader = false;
        for (const auto& pSubscription : m_subscriptions) {
            if (!pSubscription->takes(strCamera))
                continue;
            bAnyReader = true;
            const auto it = pSubscription->m_lanes.find(strCamera);
            if (it != pSubscription->m_lanes.end() && full(it->second, it->second.nLastBytes))
                return false;
        }
        return bAnyReader;
    }

    Bound m_bound;
    Sizer m_sizer;
    Broadcast* const m_pHub = nullptr;
    const std::string m_strCamera;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<Subscription>> m_subscriptions;
    bool m_bClosed = false;
};
