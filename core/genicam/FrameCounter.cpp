#include "FrameCounter.h"

bool FrameCounter::Counts::operator==(const Counts& other) const
{
    return nCompleted == other.nCompleted && nIncomplete == other.nIncomplete
        && nUnderruns == other.nUnderruns && nUnsupported == other.nUnsupported
        && nDelivered == other.nDelivered && nResent == other.nResent && nMissing == other.nMissing;
}

uint64_t FrameCounter::identify(uint64_t nCameraId)
{
    constexpr uint64_t kLast16 = 0xFFFF;
    uint64_t nStep = 1;
    if (m_bHaveLast) {
        if (nCameraId > m_nLastCameraId) {
            nStep = nCameraId - m_nLastCameraId;
        } else if (m_nLastCameraId <= kLast16 && m_nLastCameraId - nCameraId > kLast16 / 2) {
            // A 16-bit id wrapped: GigE Vision skips 0 (65535 -> 1), others do not.
            nStep = nCameraId == 0 ? kLast16 + 1 - m_nLastCameraId : nCameraId + kLast16 - m_nLastCameraId;
        }
        // Otherwise the camera went back (restarted numbering, repeated id):
        // the identifier still moves on by one.
    }
    m_nLastCameraId = nCameraId;
    m_bHaveLast = true;
    m_nIdentifier += nStep;
    return m_nIdentifier;
}

void FrameCounter::setStreamUnderruns(uint64_t nStreamTotal)
{
    m_counts.nUnderruns = m_nUnderrunBase + nStreamTotal;
}

void FrameCounter::setStreamPackets(uint64_t nResent, uint64_t nMissing)
{
    m_counts.nResent = m_nResentBase + nResent;
    m_counts.nMissing = m_nMissingBase + nMissing;
}

std::string FrameCounter::describe() const
{
    return "completed " + std::to_string(m_counts.nCompleted) + ", incomplete "
        + std::to_string(m_counts.nIncomplete) + ", dropped for want of buffers "
        + std::to_string(m_counts.nUnderruns) + ", unsupported format "
        + std::to_string(m_counts.nUnsupported) + ", delivered " + std::to_string(m_counts.nDelivered)
        + ", packets resent " + std::to_string(m_counts.nResent) + ", missing "
        + std::to_string(m_counts.nMissing);
}

std::string FrameCounter::json() const
{
    return "{\"completed\":" + std::to_string(m_counts.nCompleted) + ",\"incomplete\":"
        + std::to_string(m_counts.nIncomplete) + ",\"underruns\":" + std::to_string(m_counts.nUnderruns)
        + ",\"unsupported\":" + std::to_string(m_counts.nUnsupported) + ",\"delivered\":"
        + std::to_string(m_counts.nDelivered) + ",\"resent\":" + std::to_string(m_counts.nResent)
        + ",\"missing_packets\":" + std::to_string(m_counts.nMissing)
        + ",\"no_buffer\":" + std::to_string(m_counts.nUnderruns) + "}";
}
