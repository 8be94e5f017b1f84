// A camera's bounds in its own units translated into the link's ranges.
#include "genicam/CameraBounds.h"

#include <limits>

#include <QtTest>

class TestCameraBounds : public QObject
{
    Q_OBJECT

private slots:
    void boundsAreRoundedInwardsIntoTheLinksUnits();
    void missingFeaturesAreZeroToZero();
    void unusableBoundsAreNotPassedOn();
};

void TestCameraBounds::boundsAreRoundedInwardsIntoTheLinksUnits()
{
    CameraBounds bounds;
    bounds.nWidth = 2048;
    bounds.nHeight = 1536;
    bounds.exposure = std::make_pair(10.4, 1e7 + 0.6);
    bounds.gain = std::make_pair(0.0, 23.5);
    bounds.debouncer = std::make_pair(0.5, 5000.9);
    bounds.frameRate = std::make_pair(0.1, 1000.0);
    bounds.bHasLine = true;
    const auto ranges = translateBounds(bounds);
    QCOMPARE(ranges.width(), 2048u);
    QCOMPARE(ranges.height(), 1536u);
    QCOMPARE(ranges.exposure_min(), 11u);
    QCOMPARE(ranges.exposure_max(), 10000000u);
    QCOMPARE(ranges.gain_min(), 0.0f);
    QCOMPARE(ranges.gain_max(), 23.5f);
    // Microseconds to milliseconds.
    QCOMPARE(ranges.debounce_min(), 1);
    QCOMPARE(ranges.debounce_max(), 5);
    QCOMPARE(ranges.trigger_mode_min(), 0);
    QCOMPARE(ranges.trigger_mode_max(), 1);
    // The fastest rate gives the shortest gap.
    QCOMPARE(ranges.trigger_gap_min(), 1.0f);
    QCOMPARE(ranges.trigger_gap_max(), 10000.0f);

    bounds.frameRate = std::make_pair(2.0, 50.0);
    bounds.exposure = std::make_pair(-5.0, 1e12);
    const auto clamped = translateBounds(bounds);
    QCOMPARE(clamped.trigger_gap_min(), 20.0f);
    QCOMPARE(clamped.trigger_gap_max(), 500.0f);
    QCOMPARE(clamped.exposure_min(), 0u);
    QCOMPARE(clamped.exposure_max(), std::numeric_limits<uint32_t>::max());
}

void TestCameraBounds::missingFeaturesAreZeroToZero()
{
    CameraBounds bounds;
    bounds.nWidth = 640;
    bounds.nHeight = 480;
    const auto ranges = translateBounds(bounds);
    QCOMPARE(ranges.exposure_min(), 0u);
    QCOMPARE(ranges.exposure_max(), 0u);
    QCOMPARE(ranges.gain_max(), 0.0f);
    QCOMPARE(ranges.debounce_min(), 0);
    QCOMPARE(ranges.debounce_max(), 0);
    // No line: internal triggering only.
    QCOMPARE(ranges.trigger_mode_min(), 1);
    QCOMPARE(ranges.trigger_mode_max(), 1);
    // No stated frame rate: the link's own gap bounds.
    QCOMPARE(ranges.trigger_gap_min(), 1.0f);
    QCOMPARE(ranges.trigger_gap_max(), 10000.0f);
}

void TestCameraBounds::unusableBoundsAreNotPassedOn()
{
    CameraBounds bounds;
    // A debouncer narrower than a millisecond has no whole value in range.
    bounds.debouncer = std::make_pair(100.0, 900.0);
    bounds.exposure = std::make_pair(50.0, 10.0);
    bounds.gain = std::make_pair(std::numeric_limits<double>::quiet_NaN(), 10.0);
    bounds.frameRate = std::make_pair(0.0, 30.0);
    const auto ranges = translateBounds(bounds);
    QCOMPARE(ranges.debounce_min(), 0);
    QCOMPARE(ranges.debounce_max(), 0);
    QCOMPARE(ranges.exposure_max(), 0u);
    QCOMPARE(ranges.gain_max(), 0.0f);
    QCOMPARE(ranges.trigger_gap_max(), 10000.0f);
}

QTEST_GUILESS_MAIN(TestCameraBounds)
#include "tst_camera_bounds.moc"
