// The acquisition and trigger state of a camera apart from any camera: what
// each command and setting asks the camera to do on cameras that differ in
// what they offer, the undoing of a step the camera refused, and the pacing
// of software triggers on an injected clock.
#include "genicam/TriggerControl.h"

#include <QtTest>

using grpc::StatusCode;
using namespace std::chrono_literals;
using kelvora::core::CommandKind;

namespace {

TriggerFeatures fullCamera()
{
    TriggerFeatures features;
    features.bSoftwareTrigger = true;
    features.bFrameRate = true;
    features.bSingleFrame = true;
    features.strLine = "Line0";
    features.bActivation = true;
    features.dVideoFps = 25.0;
    return features;
}

int code(const TriggerControl::Step& step)
{
    return int(step.status.error_code());
}

} // namespace

class TestTriggerControl : public QObject
{
    Q_OBJECT

private slots:
    void commandsArmTheCameraOnlyWhenItsPlanChanges();
    void externalTriggerRefusesPhotoAndContinuousAndEndsContinuous();
    void cameraWithoutSoftwareTriggerUsesWhatItHas();
    void cameraWithoutLineOrActivationSaysSo();
    void refusedArmingIsUndone();
    void pacingKeepsTheGapAndSkipsABacklog();
};

void TestTriggerControl::commandsArmTheCameraOnlyWhenItsPlanChanges()
{
    TriggerControl control;
    control.setFeatures(fullCamera());
    QCOMPARE(control.mode(), TriggerControl::Idle);
    QCOMPARE(control.triggerMode(), TriggerControl::kInternal);
    QCOMPARE(control.plan().arming, ArmPlan::SoftwareTrigger);
    QCOMPARE(control.plan().nActivation, 0);

    auto step = control.command(kelvora::core::COMMAND_TAKE_PHOTO);
    QVERIFY(step.status.ok());
    QCOMPARE(step.action, TriggerControl::SendTrigger);

    // Continuous shooting is software triggering too: nothing to re-arm.
    step = control.command(kelvora::core::COMMAND_START_CONTINUOUS);
    QVERIFY(step.status.ok());
    QCOMPARE(step.action, TriggerControl::None);
    QCOMPARE(control.mode(), TriggerControl::Continuous);

    step = control.command(kelvora::core::COMMAND_START_VIDEO);
    QCOMPARE(step.action, TriggerControl::Arm);
    QCOMPARE(control.plan().arming, ArmPlan::FreeRunning);
    QCOMPARE(control.plan().dFrameRate, 25.0);
    step = control.command(kelvora::core::COMMAND_TAKE_PHOTO);
    QCOMPARE(code(step), int(StatusCode::FAILED_PRECONDITION));

    step = control.command(kelvora::core::COMMAND_STOP_VIDEO);
    QCOMPARE(step.action, TriggerControl::Arm);
    QCOMPARE(control.mode(), TriggerControl::Idle);
    QCOMPARE(control.plan().arming, ArmPlan::SoftwareTrigger);
    QCOMPARE(QString(TriggerControl::modeName(control.mode())), QStringLiteral("idle"));

    QCOMPARE(code(control.command(CommandKind(99))), int(StatusCode::INVALID_ARGUMENT));

    // The edge is a write of its own, no re-arming; every arm writes it again.
    step = control.setTriggerType(1);
    QVERIFY(step.status.ok());
    QCOMPARE(step.action, TriggerControl::WriteActivation);
    QCOMPARE(control.plan().nActivation, 1);
    QCOMPARE(code(control.setTriggerType(2)), int(StatusCode::INVALID_ARGUMENT));
    QCOMPARE(control.triggerType(), 1);
}

void TestTriggerControl::externalTriggerRefusesPhotoAndContinuousAndEndsContinuous()
{
    TriggerControl control;
    control.setFeatures(fullCamera());
    QVERIFY(control.command(kelvora::core::COMMAND_START_CONTINUOUS).status.ok());

    auto step = control.setTriggerMode(TriggerControl::kExternal);
    QVERIFY(step.status.ok());
    QCOMPARE(step.action, TriggerControl::Arm);
    QCOMPARE(control.mode(), TriggerControl::Idle);
    QCOMPARE(control.plan().arming, ArmPlan::LineTrigger);
    // Asking for what is already set changes nothing on the camera.
    QCOMPARE(control.setTriggerMode(TriggerControl::kExternal).action, TriggerControl::None);
    QCOMPARE(code(control.setTriggerMode(2)), int(StatusCode::INVALID_ARGUMENT));

    step = control.command(kelvora::core::COMMAND_TAKE_PHOTO);
    QCOMPARE(code(step), int(StatusCode::FAILED_PRECONDITION));
    QVERIFY(step.status.error_message().find("Line0") != std::string::npos);
    QCOMPARE(code(control.command(kelvora::core::COMMAND_START_CONTINUOUS)),
             int(StatusCode::FAILED_PRECONDITION));

    // Video runs free on either trigger mode; the mode stays external.
    step = control.command(kelvora::core::COMMAND_START_VIDEO);
    QCOMPARE(step.action, TriggerControl::Arm);
    QCOMPARE(control.plan().arming, ArmPlan::FreeRunning);
    step = control.setTriggerMode(TriggerControl::kInternal);
    QCOMPARE(step.action, TriggerControl::None);
    QCOMPARE(control.triggerMode(), TriggerControl::kInternal);
    step = control.command(kelvora::core::COMMAND_STOP_VIDEO);
    QCOMPARE(control.plan().arming, ArmPlan::SoftwareTrigger);
}

void TestTriggerControl::cameraWithoutSoftwareTriggerUsesWhatItHas()
{
    TriggerFeatures features = fullCamera();
    features.bSoftwareTrigger = false;
    TriggerControl control;
    control.setFeatures(features);
    // Idle: nothing comes until asked.
    QCOMPARE(control.plan().arming, ArmPlan::Stopped);

    auto step = control.command(kelvora::core::COMMAND_TAKE_PHOTO);
    QVERIFY(step.status.ok());
    QCOMPARE(step.action, TriggerControl::TakeSingleFrame);

    // Continuous: the camera's frame rate at the gap.
    QVERIFY(control.setTriggerGap(200.0f).status.ok());
    step = control.command(kelvora::core::COMMAND_START_CONTINUOUS);
    QCOMPARE(step.action, TriggerControl::Arm);
    QCOMPARE(control.plan().arming, ArmPlan::FreeRunning);
    QCOMPARE(control.plan().dFrameRate, 5.0);
    // A new gap while shooting is a new rate.
    step = control.setTriggerGap(500.0f);
    QCOMPARE(step.action, TriggerControl::Arm);
    QCOMPARE(control.plan().dFrameRate, 2.0);
    QCOMPARE(code(control.command(kelvora::core::COMMAND_TAKE_PHOTO)), int(StatusCode::FAILED_PRECONDITION));
    // Software pacing has nothing to do here.
    QVERIFY(!control.triggerDue(TriggerControl::Clock::now() + 1h));
    QCOMPARE(control.command(kelvora::core::COMMAND_STOP_CONTINUOUS).action, TriggerControl::Arm);
    QCOMPARE(control.plan().arming, ArmPlan::Stopped);

    // With neither single frames nor a frame rate: an honest refusal naming
    // what is missing, never success without frames.
    features.bSingleFrame = false;
    features.bFrameRate = false;
    control.setFeatures(features);
    step = control.command(kelvora::core::COMMAND_TAKE_PHOTO);
    QCOMPARE(code(step), int(StatusCode::UNIMPLEMENTED));
    QVERIFY(step.status.error_message().find("TriggerSoftware") != std::string::npos);
    step = control.command(kelvora::core::COMMAND_START_CONTINUOUS);
    QCOMPARE(code(step), int(StatusCode::UNIMPLEMENTED));
    QCOMPARE(control.mode(), TriggerControl::Idle);
    // Video still works.
    QVERIFY(control.command(kelvora::core::COMMAND_START_VIDEO).status.ok());
    QCOMPARE(control.plan().arming, ArmPlan::FreeRunning);
    QCOMPARE(control.plan().dFrameRate, 0.0);
}

void TestTriggerControl::cameraWithoutLineOrActivationSaysSo()
{
    TriggerControl control;
    control.setFeatures(fullCamera());
    QVERIFY(control.setTriggerMode(TriggerControl::kExternal).status.ok());
    QVERIFY(control.setTriggerType(1).status.ok());

    // Reopened, the camera turns out to have no line: back to internal.
    TriggerFeatures features = fullCamera();
    features.strLine.clear();
    features.bActivation = false;
    control.setFeatures(features);
    QCOMPARE(control.triggerMode(), TriggerControl::kInternal);
    QCOMPARE(code(control.setTriggerMode(TriggerControl::kExternal)), int(StatusCode::FAILED_PRECONDITION));
    QCOMPARE(code(control.setTriggerType(0)), int(StatusCode::UNIMPLEMENTED));
    QCOMPARE(control.plan().nActivation, -1);
}

void TestTriggerControl::refusedArmingIsUndone()
{
    TriggerControl control;
    control.setFeatures(fullCamera());
    QCOMPARE(control.command(kelvora::core::COMMAND_START_VIDEO).action, TriggerControl::Arm);
    control.undo();
    QCOMPARE(control.mode(), TriggerControl::Idle);

    QVERIFY(control.setTriggerMode(TriggerControl::kExternal).status.ok());
    control.undo();
    QCOMPARE(control.triggerMode(), TriggerControl::kInternal);

    QVERIFY(control.setTriggerGap(40.0f).status.ok());
    QVERIFY(control.setTriggerGap(80.0f).status.ok());
    control.undo();
    QCOMPARE(control.triggerGap(), 40.0f);

    control.clampTriggerGap(50.0f, 60.0f);
    QCOMPARE(control.triggerGap(), 50.0f);
}

void TestTriggerControl::pacingKeepsTheGapAndSkipsABacklog()
{
    using Clock = TriggerControl::Clock;
    TriggerControl control;
    control.setFeatures(fullCamera());
    QVERIFY(control.setTriggerGap(100.0f).status.ok());
    const Clock::time_point t0 = Clock::time_point() + 1h;
    control.restartPacing(t0);
    // Not shooting: never due, the wake-up is the caller's own.
    QVERIFY(!control.triggerDue(t0));
    QCOMPARE(control.wakeBy(t0 + 5ms), t0 + 5ms);

    QVERIFY(control.command(kelvora::core::COMMAND_START_CONTINUOUS).status.ok());
    control.restartPacing(t0);
    QVERIFY(control.triggerDue(t0));
    QVERIFY(!control.triggerDue(t0 + 99ms));
    QCOMPARE(control.wakeBy(t0 + 500ms), t0 + 100ms);
    QCOMPARE(control.wakeBy(t0 + 5ms), t0 + 5ms);
    // A little late: the rhythm is kept.
    QVERIFY(control.triggerDue(t0 + 130ms));
    QCOMPARE(control.wakeBy(t0 + 1s), t0 + 200ms);
    // Far behind: one trigger, then a whole gap, no burst of the backlog.
    QVERIFY(control.triggerDue(t0 + 1000ms));
    QVERIFY(!control.triggerDue(t0 + 1050ms));
    QCOMPARE(control.wakeBy(t0 + 2s), t0 + 1100ms);
    int nTriggers = 0;
    for (auto t = t0 + 1100ms; t < t0 + 2100ms; t += 1ms)
        nTriggers += control.triggerDue(t) ? 1 : 0;
    QCOMPARE(nTriggers, 10);

    // On external trigger nothing is paced.
    QVERIFY(control.setTriggerMode(TriggerControl::kExternal).status.ok());
    QVERIFY(!control.triggerDue(t0 + 1h));
}

QTEST_GUILESS_MAIN(TestTriggerControl)
#include "tst_trigger_control.moc"
