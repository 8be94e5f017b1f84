#pragma once

#include "framework/PluginMetaData.h"

#include <mutex>
#include <QObject>

#include <atomic>
#include <chrono>
#include <deque>
#include <functional>

// Carries frame records from the core's threads to the GUI thread with at most
// a few in flight. When the GUI thread falls behind, the oldest waiting record
// is dropped, so the operator sees current frames and never a backlog.
class FrameMailbox
{
public:
    using Deliver = std::function<void(const PluginMetaData&)>;

    // pContext lives on the GUI thread; deliver runs there, one record per
    // event-loop pass, so input events keep their turn.
    FrameMailbox(QObject* pContext, int nCapacity, Deliver deliver);

    // Any thread.
    void post(const PluginMetaData& frame);

    quint64 dropped() const { return m_nDropped.load(); }
    int capacity() const { return m_nCapacity; }

private:
    void deliverOne();
    void scheduleDelivery();

    QObject* m_pContext;
    const int m_nCapacity;
    Deliver m_deliver;

    std::mutex m_mutex;
    std::deque<PluginMetaData> m_queue;
    bool m_bScheduled = false;
    std::chrono::steady_clock::time_point m_lastDropLog;
    std::atomic<quint64> m_nDropped{0};
};
