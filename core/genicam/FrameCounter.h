#pragma once

#include <cstdint>
#include <string>

// Frame accounting of one camera stream, and identifiers that keep counting
// up where the camera's own frame ids wrap (16-bit GigE Vision block ids
// wrap after 65535) or start again (a reopened camera).
class FrameCounter
{
public:
    struct Counts
    {
        uint64_t nCompleted = 0;   // whole frames from the camera
        uint64_t nIncomplete = 0;  // reported incomplete, timed out or aborted
        uint64_t nUnderruns = 0;   // lost for want of a free buffer
        uint64_t nUnsupported = 0; // complete, but in a format not shown
        uint64_t nDelivered = 0;   // handed to the clients
        uint64_t nResent = 0;      // packets the camera sent again (GigE Vision)
        uint64_t nMissing = 0;     // packets that never came (GigE Vision)

        bool operator==(const Counts& other) const;
        bool operator!=(const Counts& other) const { return !(*this == other); }
    };

    // The identifier of a completed frame with the camera's id.
    uint64_t identify(uint64_t nCameraId);
    // The camera's ids begin anew (camera reopened); identifiers go on.
    void restartIds() { m_bHaveLast = false; }

    void addCompleted() { ++m_counts.nCompleted; }
    void addIncomplete() { ++m_counts.nIncomplete; }
    void addUnsupported() { ++m_counts.nUnsupported; }
    void addDelivered() { ++m_counts.nDelivered; }
    // The stream's running total of underruns; a new stream starts at 0.
    void setStreamUnderruns(uint64_t nStreamTotal);
    // The stream's running totals of resent and missing packets.
    void setStreamPackets(uint64_t nResent, uint64_t nMissing);
    void newStream()
    {
        m_nUnderrunBase = m_counts.nUnderruns;
        m_nResentBase = m_counts.nResent;
        m_nMissingBase = m_counts.nMissing;
    }

    const Counts& counts() const { return m_counts; }
    // "completed N, incomplete N, ..." for the log.
    std::string describe() const;
    // The counts as a JSON object.
    std::string json() const;

private:
    Counts m_counts;
    uint64_t m_nUnderrunBase = 0;
    uint64_t m_nResentBase = 0;
    uint64_t m_nMissingBase = 0;
    uint64_t m_nLastCameraId = 0;
    uint64_t m_nIdentifier = 0;
    bool m_bHaveLast = false;
};
