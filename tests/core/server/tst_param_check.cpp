// The core's one range check of camera settings, on ranges the test makes up:
// every row's bounds inclusive, a step past either end refused with a reason that
// names the parameter, its value, unit and range; wrong types, unknown parameters
// and NaN refused as well.
#include "server/ParamCheck.h"

#include <QtTest>

#include <cmath>
#include <limits>

using kelvora::core::ParamValue;

namespace {

ParamValue valueOf(const CameraParam& param, double dValue)
{
    ParamValue value;
    value.set_param(kelvora::core::Param(param.nProtoParam));
    switch (param.type) {
    case ParamType::U32: value.set_u32(uint32_t(dValue)); break;
    case ParamType::F32: value.set_f32(float(dValue)); break;
    case ParamType::I32: value.set_i32(int32_t(dValue)); break;
    }
    return value;
}

kelvora::core::CameraRanges someRanges()
{
    kelvora::core::CameraRanges ranges;
    ranges.set_exposure_min(20);
    ranges.set_exposure_max(1000000);
    ranges.set_gain_min(1.5f);
    ranges.set_gain_max(24.5f);
    ranges.set_trigger_mode_min(0);
    ranges.set_trigger_mode_max(1);
    ranges.set_debounce_min(-5);
    ranges.set_debounce_max(500);
    ranges.set_trigger_gap_min(0.5f);
    ranges.set_trigger_gap_max(10000.0f);
    return ranges;
}

} // namespace

class TestParamCheck : public QObject
{
    Q_OBJECT

private slots:
    void everyRowIsBoundedInclusively_data()
    {
        QTest::addColumn<int>("nRow");
        for (int i = 0; i < int(std::size(kCameraParams)); ++i)
            QTest::newRow(kCameraParams[i].pName) << i;
    }

    void everyRowIsBoundedInclusively()
    {
        QFETCH(int, nRow);
        const CameraParam& param = kCameraParams[nRow];
        const kelvora::core::CameraRanges ranges = someRanges();
        double dMin = 0.0;
        double dMax = 0.0;
        QVERIFY(ParamCheck::bounds(param, ranges, &dMin, &dMax));
        QVERIFY(dMin < dMax);
        QVERIFY(ParamCheck::check(valueOf(param, dMin), ranges).ok());
        QVERIFY(ParamCheck::check(valueOf(param, dMax), ranges).ok());
        // A whole step past the top, and below the bottom where the type can go there.
        const double dStep = param.type == ParamType::F32 ? 0.25 : 1.0;
        const grpc::Status above = ParamCheck::check(valueOf(param, dMax + dStep), ranges);
        QCOMPARE(int(above.error_code()), int(grpc::StatusCode::INVALID_ARGUMENT));
        const QString qsReason = QString::fromStdString(above.error_message());
        QVERIFY2(qsReason.startsWith(QString("%1 ").arg(param.pName)), qPrintable(qsReason));
        QVERIFY2(qsReason.contains(" outside "), qPrintable(qsReason));
        if (*param.pUnit)
            QVERIFY2(qsReason.contains(QString(" %1 to ").arg(param.pUnit)), qPrintable(qsReason));
        if (param.type != ParamType::U32 || dMin > 0) {
            const grpc::Status below = ParamCheck::check(valueOf(param, dMin - dStep), ranges);
            QCOMPARE(int(below.error_code()), int(grpc::StatusCode::INVALID_ARGUMENT));
        }
    }

    void reasonsReadAsTheOperatorWouldSayThem()
    {
        const kelvora::core::CameraRanges ranges = someRanges();
        QCOMPARE(
            ParamCheck::check(valueOf(*camera_params::byIndex(PARAM_EXPOSURE), 5), ranges).error_message(),
            std::string("exposure 5 us outside 20 us to 1000000 us"));
        QCOMPARE(ParamCheck::check(valueOf(*camera_params::byIndex(PARAM_GAIN), 30), ranges).error_message(),
                 std::string("gain 30 outside 1.5 to 24.5"));
        QCOMPARE(ParamCheck::check(valueOf(*camera_params::byIndex(PARAM_TRIGGER_TYPE), 2), ranges)
                     .error_message(),
                 std::string("trigger type 2 outside 0 (rising edge) to 1 (falling edge)"));
    }

    void malformedValuesAreRefused()
    {
        const kelvora::core::CameraRanges ranges = someRanges();
        ParamValue nan = valueOf(*camera_params::byIndex(PARAM_GAIN), 0);
        nan.set_f32(std::numeric_limits<float>::quiet_NaN());
        QCOMPARE(int(ParamCheck::check(nan, ranges).error_code()), int(grpc::StatusCode::INVALID_ARGUMENT));

        // An exposure sent as a float: the type decides, not the number.
        ParamValue wrongType;
        wrongType.set_param(kelvora::core::PARAM_EXPOSURE);
        wrongType.set_f32(100.0f);
        const grpc::Status typed = ParamCheck::check(wrongType, ranges);
        QCOMPARE(int(typed.error_code()), int(grpc::StatusCode::INVALID_ARGUMENT));
        QVERIFY(typed.error_message().find("exposure") != std::string::npos);

        ParamValue unset;
        unset.set_param(kelvora::core::PARAM_DEBOUNCE);
        QCOMPARE(int(ParamCheck::check(unset, ranges).error_code()), int(grpc::StatusCode::INVALID_ARGUMENT));

        ParamValue unknown;
        unknown.set_param(kelvora::core::PARAM_UNKNOWN);
        unknown.set_i32(0);
        QCOMPARE(int(ParamCheck::check(unknown, ranges).error_code()),
                 int(grpc::StatusCode::INVALID_ARGUMENT));
    }

    // A camera without a debouncer reports 0 to 0: only 0 passes.
    void anEmptyRangeTakesItsOneValue()
    {
        kelvora::core::CameraRanges ranges = someRanges();
        ranges.set_debounce_min(0);
        ranges.set_debounce_max(0);
        const CameraParam& debounce = *camera_params::byIndex(PARAM_DEBOUNCE);
        QVERIFY(ParamCheck::check(valueOf(debounce, 0), ranges).ok());
        QVERIFY(!ParamCheck::check(valueOf(debounce, 1), ranges).ok());
    }
};

QTEST_GUILESS_MAIN(TestParamCheck)
#include "tst_param_check.moc"
