#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
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
// item. Only the "as fast as possible" producer waits for room instead.
//
// A core with several cameras has one broadcast (the hub) that its readers
// subscribe to, and one feeder per camera, made with the hub and the camera's
// id: a feeder stamps the id into every item (T has set_camera) and puts it
// into the hub. Each subscriber's queue holds at most the depth per camera,
// so one busy camera never pushes another camera's items out, and a
// subscriber may take only the cameras its filter accepts.
template <typename T>
class Broadcast
{
public:
    // Decides, per camera id, whether a subscriber takes its items. Called
    // with the hub's lock held: it must not publish.
    using Filter = std::function<bool(const std::string& strCamera)>;

    class Subscription
    {
    public:
        // Next item, or null after the timeout or once closed.
        std::shared_ptr<const T> pop(std::chrono::milliseconds timeout)
        {
            std::unique_lock<std::mutex> lock(m_pOwner->m_mutex);
            m_pOwner->m_changed.wait_for(lock, timeout,
                                         [this] { return !m_queue.empty() || m_pOwner->m_bClosed; });
            if (m_queue.empty())
                return nullptr;
            auto entry = std::move(m_queue.front());
            m_queue.pop_front();
            if (--m_counts[entry.first] == 0)
                m_counts.erase(entry.first);
            m_pOwner->m_changed.notify_all();
            return std::move(entry.second);
        }

    private:
        friend class Broadcast;
        Subscription(Broadcast* pOwner, Filter filter)
            : m_pOwner(pOwner)
            , m_filter(std::move(filter))
        {
        }
        bool takes(const std::string& strCamera) const { return !m_filter || m_filter(strCamera); }
        size_t count(const std::string& strCamera) const
        {
            const auto it = m_counts.find(strCamera);
            return it == m_counts.end() ? 0 : it->second;
        }
        Broadcast* m_pOwner;
        Filter m_filter;
        std::deque<std::pair<std::string, std::shared_ptr<const T>>> m_queue;
        std::map<std::string, size_t> m_counts;
    };

    // A hub: readers subscribe here.
    explicit Broadcast(size_t nDepth)
        : m_nDepth(nDepth)
    {
    }
    // A feeder into the hub for one camera.
    Broadcast(Broadcast& hub, std::string strCamera)
        : m_nDepth(hub.m_nDepth)
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
            pSubscription->m_counts.clear();
        }
        m_changed.notify_all();
    }

    bool isClosed() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bClosed;
    }

private:
    void put(const std::string& strCamera, std::shared_ptr<const T> pItem)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bClosed)
            return;
        for (auto& pSubscription : m_subscriptions) {
            if (!pSubscription->takes(strCamera))
                continue;
            if (pSubscription->count(strCamera) >= m_nDepth) {
                auto& queue = pSubscription->m_queue;
                const auto oldest = std::find_if(queue.begin(), queue.end(), [&strCamera](const auto& entry) {
                    return entry.first == strCamera;
                });
                if (oldest != queue.end()) {
                    queue.erase(oldest);
                    --pSubscription->m_counts[strCamera];
                }
            }
            pSubscription->m_queue.emplace_back(strCamera, pItem);
            ++pSubscription->m_counts[strCamera];
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
            if (pSubscription->count(strCamera) >= m_nDepth)
                return false;
        }
        return bAnyReader;
    }

    const size_t m_nDepth;
    Broadcast* const m_pHub = nullptr;
    const std::string m_strCamera;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<Subscription>> m_subscriptions;
    bool m_bClosed = false;
};
