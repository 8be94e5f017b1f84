// Each reader's queue of a camera's frames: its bound in frames and in bytes,
// the count of every frame a slow reader lost (per camera, per reader), told
// with the frame taken after the loss, and a producer that waits for room
// never losing one.
#include "server/CameraBackend.h"

#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include <QtTest>

using kelvora::core::Frame;
using namespace std::chrono_literals;

namespace {

size_t frameBytes(const Frame& frame)
{
    return frame.data().size();
}

std::shared_ptr<Frame> frameOf(std::uint64_t nIdentifier, size_t nBytes = 1)
{
    auto pFrame = std::make_shared<Frame>();
    pFrame->set_identifier(nIdentifier);
    pFrame->mutable_data()->assign(nBytes, char(nIdentifier));
    return pFrame;
}

struct Taken
{
    std::uint64_t nIdentifier = 0;
    std::string strCamera;
    std::uint64_t nDropped = 0;
};

// Everything queued for the reader now, in order.
std::vector<Taken> drain(FrameBroadcast::Subscription& subscription)
{
    std::vector<Taken> taken;
    std::uint64_t nDropped = 0;
    while (const auto pFrame = subscription.pop(0ms, &nDropped))
        taken.push_back({pFrame->identifier(), pFrame->camera(), nDropped});
    return taken;
}

std::vector<std::uint64_t> identifiers(const std::vector<Taken>& taken, const std::string& strCamera)
{
    std::vector<std::uint64_t> result;
    for (const Taken& item : taken)
        if (item.strCamera == strCamera)
            result.push_back(item.nIdentifier);
    return result;
}

} // namespace

class TestBroadcast : public QObject
{
    Q_OBJECT

private slots:
    void slowReaderLosesTheOldestOfThatCameraOnlyAndItIsCounted();
    void bytesBoundTheQueueButTheNewestFramesAlwaysStay();
    void eachReaderCountsWhatItLost();
    void everyGapBetweenTakenFramesIsTheCountThatCameWithIt();
    void producerWaitingForRoomLosesNothing();
};

void TestBroadcast::slowReaderLosesTheOldestOfThatCameraOnlyAndItIsCounted()
{
    FrameBroadcast hub(FrameBroadcast::Bound{3, 0, 1});
    FrameBroadcast cameraA(hub, "A");
    FrameBroadcast cameraB(hub, "B");
    const auto pReader = hub.subscribe();
    for (std::uint64_t i = 1; i <= 5; ++i)
        cameraA.publish(frameOf(i));
    cameraB.publish(frameOf(101));
    cameraB.publish(frameOf(102));
    QCOMPARE(pReader->dropped("A"), std::uint64_t(2));
    QCOMPARE(pReader->dropped("B"), std::uint64_t(0));

    const std::vector<Taken> taken = drain(*pReader);
    QCOMPARE(identifiers(taken, "A"), (std::vector<std::uint64_t>{3, 4, 5}));
    // A busy camera never pushes out another camera's frames.
    QCOMPARE(identifiers(taken, "B"), (std::vector<std::uint64_t>{101, 102}));
    for (const Taken& item : taken)
        QCOMPARE(item.nDropped, item.strCamera == "A" ? std::uint64_t(2) : std::uint64_t(0));

    // The count runs on; an emptied queue loses nothing more.
    cameraA.publish(frameOf(6));
    QCOMPARE(drain(*pReader).front().nDropped, std::uint64_t(2));
}

void TestBroadcast::bytesBoundTheQueueButTheNewestFramesAlwaysStay()
{
    // At most 8 frames, and beyond 2 of them at most 100 bytes.
    FrameBroadcast hub(FrameBroadcast::Bound{8, 100, 2}, frameBytes);
    FrameBroadcast camera(hub, "A");
    const auto pReader = hub.subscribe();

    for (std::uint64_t i = 1; i <= 5; ++i)
        camera.publish(frameOf(i, 40));
    // A third frame of 40 bytes would make 120.
    QCOMPARE(identifiers(drain(*pReader), "A"), (std::vector<std::uint64_t>{4, 5}));
    QCOMPARE(pReader->dropped("A"), std::uint64_t(3));

    // Frames larger than the whole bound: the two newest are kept still.
    for (std::uint64_t i = 6; i <= 8; ++i)
        camera.publish(frameOf(i, 500));
    QCOMPARE(identifiers(drain(*pReader), "A"), (std::vector<std::uint64_t>{7, 8}));
    QCOMPARE(pReader->dropped("A"), std::uint64_t(4));

    // Small frames get the whole depth, and no more.
    for (std::uint64_t i = 9; i <= 18; ++i)
        camera.publish(frameOf(i, 10));
    QCOMPARE(identifiers(drain(*pReader), "A"), (std::vector<std::uint64_t>{11, 12, 13, 14, 15, 16, 17, 18}));
    QCOMPARE(pReader->dropped("A"), std::uint64_t(6));
}

void TestBroadcast::eachReaderCountsWhatItLost()
{
    FrameBroadcast hub(FrameBroadcast::Bound{2, 0, 1});
    FrameBroadcast camera(hub, "A");
    const auto pFast = hub.subscribe();
    const auto pSlow = hub.subscribe();
    // A reader that does not take the camera neither gets nor loses its frames.
    const auto pOther = hub.subscribe([](const std::string& strCamera) { return strCamera != "A"; });
    std::vector<Taken> fast;
    for (std::uint64_t i = 1; i <= 6; ++i) {
        camera.publish(frameOf(i));
        for (const Taken& item : drain(*pFast))
            fast.push_back(item);
    }
    QCOMPARE(identifiers(fast, "A"), (std::vector<std::uint64_t>{1, 2, 3, 4, 5, 6}));
    QCOMPARE(pFast->dropped("A"), std::uint64_t(0));
    QCOMPARE(pSlow->dropped("A"), std::uint64_t(4));
    QCOMPARE(identifiers(drain(*pSlow), "A"), (std::vector<std::uint64_t>{5, 6}));
    QVERIFY(drain(*pOther).empty());
    QCOMPARE(pOther->dropped("A"), std::uint64_t(0));
}

void TestBroadcast::everyGapBetweenTakenFramesIsTheCountThatCameWithIt()
{
    // A reader at an uneven pace against a camera that never waits: whatever is
    // missing between two frames taken is what the count grew by, so a reader
    // told the count with each frame can account for every frame lost.
    FrameBroadcast hub(FrameBroadcast::Bound{4, 64, 2}, frameBytes);
    FrameBroadcast camera(hub, "A");
    const auto pReader = hub.subscribe();
    constexpr std::uint64_t kFrames = 3000;
    std::atomic<bool> bDone{false};
    std::thread producer([&] {
        std::mt19937 random(7);
        for (std::uint64_t i = 1; i <= kFrames; ++i) {
            camera.publish(frameOf(i, 8 + random() % 24));
            if (random() % 64 == 0)
                std::this_thread::yield();
        }
        bDone = true;
    });
    std::mt19937 random(11);
    std::uint64_t nPrevious = 0;
    std::uint64_t nPreviousDropped = 0;
    std::uint64_t nTaken = 0;
    bool bGaps = true;
    for (;;) {
        std::uint64_t nDropped = 0;
        const bool bLast = bDone.load();
        const auto pFrame = pReader->pop(bLast ? 0ms : 20ms, &nDropped);
        if (!pFrame) {
            if (bLast)
                break;
            continue;
        }
        ++nTaken;
        bGaps = bGaps && pFrame->identifier() - nPrevious - 1 == nDropped - nPreviousDropped;
        QVERIFY2(bGaps,
                 qPrintable(QString("frame %1 after %2: count %3 after %4")
                                .arg(pFrame->identifier())
                                .arg(nPrevious)
                                .arg(nDropped)
                                .arg(nPreviousDropped)));
        nPrevious = pFrame->identifier();
        nPreviousDropped = nDropped;
        if (random() % 8 == 0)
            std::this_thread::sleep_for(1ms);
    }
    producer.join();
    QCOMPARE(nPrevious, kFrames);
    QCOMPARE(nTaken + pReader->dropped("A"), kFrames);
}

void TestBroadcast::producerWaitingForRoomLosesNothing()
{
    // Frames of one size, as a camera sends them: a frame let in after waiting
    // for room never pushes another out, in frames nor in bytes.
    FrameBroadcast hub(FrameBroadcast::Bound{8, 100, 2}, frameBytes);
    FrameBroadcast camera(hub, "A");
    const auto pReader = hub.subscribe();
    constexpr std::uint64_t kFrames = 300;
    std::atomic<int> nTimeouts{0};
    std::thread producer([&] {
        for (std::uint64_t i = 1; i <= kFrames;) {
            if (!camera.waitForRoom(10s)) {
                ++nTimeouts;
                continue;
            }
            camera.publish(frameOf(i++, 30));
        }
    });
    std::vector<std::uint64_t> taken;
    std::mt19937 random(3);
    while (taken.size() < kFrames) {
        const auto pFrame = pReader->pop(10s);
        QVERIFY(pFrame);
        taken.push_back(pFrame->identifier());
        if (random() % 4 == 0)
            std::this_thread::sleep_for(1ms);
    }
    producer.join();
    QCOMPARE(pReader->dropped("A"), std::uint64_t(0));
    for (std::uint64_t i = 0; i < kFrames; ++i)
        QCOMPARE(taken[i], i + 1);
    QCOMPARE(nTimeouts.load(), 0);
}

QTEST_GUILESS_MAIN(TestBroadcast)
#include "tst_broadcast.moc"
