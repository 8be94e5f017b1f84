#include "FrameMailbox.h"

#include "framework/DTLog.h"

#include <QMetaObject>

namespace {

// Drops are logged at most this often while they go on.
constexpr std::chrono::seconds kDropLogInterval(1);

} // namespace

FrameMailbox::FrameMailbox(QObject* pContext, int nCapacity, Deliver deliver)
    : m_pContext(pContext)
    , m_nCapacity(qMax(1, nCapacity))
    , m_deliver(std::move(deliver))
{
}

void FrameMailbox::post(const PluginMetaData& frame)
{
    bool bSchedule = false;
    bool bLogDrops = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (int(m_queue.size()) >= m_nCapacity) {
            m_queue.pop_front();
            ++m_nDropped;
            const auto now = std::chrono::steady_clock::now();
            if (now - m_lastDropLog >= kDropLogInterval) {
                m_lastDropLog = now;
                bLogDrops = true;
            }
        }
        m_queue.push_back(frame);
        if (!m_bScheduled) {
            m_bScheduled = true;
            bSchedule = true;
        }
    }
    if (bLogDrops)
        DTLog::instance().write(
            QtWarningMsg,
            QString::fromUtf8(QT_TRANSLATE_NOOP("Service", "显示丢弃的帧: %1")).arg(m_nDropped.load()));
    if (bSchedule)
        scheduleDelivery();
}

void FrameMailbox::scheduleDelivery()
{
    QMetaObject::invokeMethod(
        m_pContext, [this] { deliverOne(); }, Qt::QueuedConnection);
}

void FrameMailbox::deliverOne()
{
    PluginMetaData frame;
    bool bMore = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.empty()) {
            m_bScheduled = false;
            return;
        }
        frame = std::move(m_queue.front());
        m_queue.pop_front();
        bMore = !m_queue.empty();
        if (!bMore)
            m_bScheduled = false;
    }
    // Scheduled before delivering: a receiver that spins the event loop must not strand the rest.
    if (bMore)
        scheduleDelivery();
    m_deliver(frame);
}
