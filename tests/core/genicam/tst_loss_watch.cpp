// The link's losses over a sliding window on an injected clock: when the
// operator is told, how often, and that it stops once loss is back to 0.
#include "genicam/LossWatch.h"

#include <QtTest>

using namespace std::chrono_literals;

class TestLossWatch : public QObject
{
    Q_OBJECT

private slots:
    void moreThanAHundredthLostIsSaidOnceAWindow();
    void lossBackToZeroIsQuietAfterTheWindow();
    void aNewStreamStartsAfresh();
    void oneStrayFrameIsNoAlarmButSteadyLossSpeaksWithinTheWindow();
};

void TestLossWatch::moreThanAHundredthLostIsSaidOnceAWindow()
{
    LossWatch watch;
    const auto t0 = LossWatch::Clock::time_point() + 1h;
    QVERIFY(!watch.sample(t0, 0, 0));
    // 1 of 100 lost is not more than a hundredth.
    QVERIFY(!watch.sample(t0 + 1s, 99, 1));
    QCOMPARE(watch.lostInWindow(), uint64_t(1));
    QCOMPARE(watch.framesInWindow(), uint64_t(100));
    // 3 of 200.
    QVERIFY(watch.sample(t0 + 2s, 197, 3));
    QCOMPARE(watch.lostInWindow(), uint64_t(3));
    QVERIFY(watch.lostShare() > 0.01);
    // Still lossy: not said again within the window.
    QVERIFY(!watch.sample(t0 + 3s, 250, 20));
    QVERIFY(!watch.sample(t0 + 6s, 300, 40));
    // A window later, still lossy: said again.
    QVERIFY(watch.sample(t0 + 7s, 350, 60));
}

void TestLossWatch::lossBackToZeroIsQuietAfterTheWindow()
{
    LossWatch watch;
    const auto t0 = LossWatch::Clock::time_point() + 1h;
    watch.sample(t0, 0, 0);
    QVERIFY(watch.sample(t0 + 1s, 10, 40));
    // No more losses: the old ones age out of the window.
    uint64_t nCompleted = 10;
    for (int i = 2; i <= 6; ++i) {
        nCompleted += 25;
        watch.sample(t0 + std::chrono::seconds(i), nCompleted, 40);
    }
    for (int i = 7; i <= 20; ++i) {
        nCompleted += 25;
        QVERIFY(!watch.sample(t0 + std::chrono::seconds(i), nCompleted, 40));
    }
    QCOMPARE(watch.lostInWindow(), uint64_t(0));
    QCOMPARE(watch.lostShare(), 0.0);
    // No frames at all is no loss either.
    QVERIFY(!watch.sample(t0 + 30s, nCompleted, 40));
}

void TestLossWatch::aNewStreamStartsAfresh()
{
    LossWatch watch;
    const auto t0 = LossWatch::Clock::time_point() + 1h;
    watch.sample(t0, 1000, 500);
    watch.reset();
    // Counted from the new stream's first sample, not from zero.
    QVERIFY(!watch.sample(t0 + 1s, 1010, 500));
    QVERIFY(!watch.sample(t0 + 2s, 1100, 500));
    QCOMPARE(watch.framesInWindow(), uint64_t(90));
    // Totals that go back are a new stream too.
    QVERIFY(!watch.sample(t0 + 3s, 5, 0));
    QCOMPARE(watch.framesInWindow(), uint64_t(0));
    QVERIFY(watch.sample(t0 + 4s, 50, 5));
}

void TestLossWatch::oneStrayFrameIsNoAlarmButSteadyLossSpeaksWithinTheWindow()
{
    const auto t0 = LossWatch::Clock::time_point() + 1h;
    {
        // The first frame of a stream incomplete, then 25 whole frames a second.
        LossWatch watch;
        QVERIFY(!watch.sample(t0, 0, 0));
        QVERIFY(!watch.sample(t0 + 500ms, 0, 1));
        for (int i = 1; i <= 20; ++i)
            QVERIFY(!watch.sample(t0 + 500ms + std::chrono::milliseconds(500 * i), uint64_t(12 * i), 1));
    }
    {
        // A second lost frame among the first few: still too few frames to tell.
        LossWatch watch;
        watch.sample(t0, 0, 0);
        QVERIFY(!watch.sample(t0 + 500ms, 3, 2));
        // Steady loss at 25 frames a second, 4 of every 25: said within the window.
        QVERIFY(watch.sample(t0 + 1s, 21, 4));
        QCOMPARE(watch.framesInWindow(), uint64_t(25));
    }
    {
        // A slow camera, 2 frames a second with one of four lost: fewer frames than
        // the minimum in the whole window, said once it spans the window.
        LossWatch watch;
        watch.sample(t0, 0, 0);
        uint64_t nCompleted = 0;
        uint64_t nLost = 0;
        bool bSaid = false;
        for (int i = 1; i <= 10 && !bSaid; ++i) {
            nCompleted += i % 2 == 0 ? 1 : 2;
            nLost += i % 2 == 0 ? 1 : 0;
            bSaid = watch.sample(t0 + std::chrono::seconds(i), nCompleted, nLost);
            if (i < 5)
                QVERIFY(!bSaid);
        }
        QVERIFY(bSaid);
        QVERIFY(watch.framesInWindow() < 20);
    }
}

QTEST_GUILESS_MAIN(TestLossWatch)
#include "tst_loss_watch.moc"
