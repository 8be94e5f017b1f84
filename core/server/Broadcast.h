#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// Hands each published item to every subscriber through a short queue of its
// own. A camera does not wait for slow readers: a full queue loses its oldest
// item. Only the "as fast as possible" producer waits for room instead.
template <typename T>
class Broadcast
{
public:
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
            auto pItem = m_queue.front();
            m_queue.pop_front();
            m_pOwner->m_changed.notify_all();
            return pItem;
        }

    private:
        friend class Broadcast;
        explicit Subscription(Broadcast* pOwner) : m_pOwner(pOwner) {}
        Broadcast* m_pOwner;
        std::deque<std::shared_ptr<const T>> m_queue;
    };

    explicit Broadcast(size_t nDepth) : m_nDepth(nDepth) {}

    std::shared_ptr<Subscription> subscribe()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto pSubscription = std::shared_ptr<Subscription>(new Subscription(this));
        m_subscriptions.push_back(pSubscription);
        m_changed.notify_all();
        return pSubscription;
    }

    void unsubscribe(const std::shared_ptr<Subscription>& pSubscription)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_subscriptions.erase(
            std::remove(m_subscriptions.begin(), m_subscriptions.end(), pSubscription),
            m_subscriptions.end());
        m_changed.notify_all();
    }

    void publish(std::shared_ptr<const T> pItem)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_bClosed)
            return;
        for (auto& pSubscription : m_subscriptions) {
            if (pSubscription->m_queue.size() >= m_nDepth)
                pSubscription->m_queue.pop_front();
            pSubscription->m_queue.push_back(pItem);
        }
        m_changed.notify_all();
    }

    // Waits until there is a subscriber and every queue has room; false on
    // timeout or once closed.
    bool waitForRoom(std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, timeout, [this] { return m_bClosed || hasRoom(); })
            && !m_bClosed;
    }

    // Wakes every waiter; pops return null from now on.
    void close()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosed = true;
        for (auto& pSubscription : m_subscriptions)
            pSubscription->m_queue.clear();
        m_changed.notify_all();
    }

    bool isClosed() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bClosed;
    }

private:
    bool hasRoom() const
    {
        if (m_subscriptions.empty())
            return false;
        for (const auto& pSubscription : m_subscriptions)
            if (pSubscription->m_queue.size() >= m_nDepth)
                return false;
        return true;
    }

    const size_t m_nDepth;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::shared_ptr<Subscription>> m_subscriptions;
    bool m_bClosed = false;
};
