// Cameras that differ from Aravis's stock fake: the fake GigE camera serving
// GenICam descriptions this test writes (features missing, other names, other
// units), the vision core on it, and the operator's commands through the real
// client link. Each call is judged as the camera page would list it: the
// service's status text, success or failure with the core's reason, and
// whether frames came.
// Runs inside a network namespace of its own (netns.sh).

#include <algorithm>

#include <QTemporaryDir>
#include <QtTest>

#include "CameraDescription.h"
#include "FakeGigEStation.h"

using namespace std::chrono_literals;
using namespace fakegige;

namespace {

// One line of the camera page's status list, with the reason line the page
// lists after a failure: the core's own words.
struct Listed
{
    QString qsText;
    bool bSuccess;
    QString qsReason;

    // As expected: the same text and outcome, and the reason naming what the
    // expected line's reason names (a part of it).
    bool operator==(const Listed& expected) const
    {
        return qsText == expected.qsText && bSuccess == expected.bSuccess
            && qsReason.contains(expected.qsReason);
    }
};

// What the core answered a call through the client link.
struct Answer
{
    int nCode = -1;
    std::string strReason;
};

Answer run(CCameraBase& camera, CameraCommand command)
{
    Answer answer;
    answer.nCode = camera.runCommand(command, &answer.strReason);
    return answer;
}

Answer set(CCameraBase& camera, int nIndex, const ParamNumber& value)
{
    Answer answer;
    answer.nCode = camera.setParam(*camera_params::byIndex(nIndex), value, &answer.strReason);
    return answer;
}

// The service lists a command's text with the core's answer: success only for 0.
Listed listed(const char* pText, int nCode)
{
    return Listed{QString::fromUtf8(pText), nCode == 0, QString()};
}

Listed listed(const char* pText, const Answer& answer)
{
    return Listed{QString::fromUtf8(pText), answer.nCode == 0,
                  answer.nCode == 0 ? QString() : QString::fromStdString(answer.strReason)};
}

Listed ok(const char* pText)
{
    return Listed{QString::fromUtf8(pText), true, QString()};
}

Listed failed(const char* pText, const char* pReasonPart)
{
    return Listed{QString::fromUtf8(pText), false, QString::fromUtf8(pReasonPart)};
}

// The fake camera serving a description of the test's own.
class DescribedCamera
{
public:
    bool start(const CameraDescription& description)
    {
        if (!m_dir.isValid())
            return false;
        const QString qsFile = m_dir.filePath(QStringLiteral("camera.xml"));
        return description.writeTo(qsFile) && m_fake.start({QStringLiteral("-g"), qsFile});
    }
    void kill() { m_fake.kill(); }

private:
    QTemporaryDir m_dir;
    FakeGigECamera m_fake;
};

// The described camera and a core with a client on it.
struct DescribedStation
{
    DescribedCamera camera;
    Station station;

    bool start(const CameraDescription& description, const QStringList& arguments)
    {
        return camera.start(description) && station.start(arguments);
    }
};

// Waits until no frame has come for a while; the count then.
size_t settled(Station& station)
{
    size_t nCount = station.frames.count();
    for (int i = 0; i < 50; ++i) {
        std::this_thread::sleep_for(300ms);
        const size_t nNow = station.frames.count();
        if (nNow == nCount)
            return nNow;
        nCount = nNow;
    }
    return nCount;
}

} // namespace

QT_BEGIN_NAMESPACE
namespace QTest {
template <>
char* toString(const Listed& line)
{
    const QString qsReason = line.qsReason.isEmpty() ? QString() : QStringLiteral(": ") + line.qsReason;
    return qstrdup(qPrintable(
        line.qsText + (line.bSuccess ? QStringLiteral(" (ok)") : QStringLiteral(" (failed)")) + qsReason));
}
} // namespace QTest
QT_END_NAMESPACE

class TestGenICamDescriptions : public QObject
{
    Q_OBJECT

private slots:
    void withoutTriggerSoftwareInternalTriggerUsesSingleFramesAndTheFrameRate();
    void withoutTriggerSoftwareOrSingleFrameAPhotoIsAnHonestFailure();
    void withoutASoftwareSourceTheCameraOpensForVideoAndExternalTrigger();
    void debouncerWhereTheCameraHasOneAndAnHonestFailureWhereNot();
    void gainInDecibelsAndExposureTimeByTheirStandardNames();
    void unconvertibleFormatIsToldAndShootingRefused();
    void externalTriggerOnTheFirstLineOrAnHonestFailureWithoutOne();
    void triggerTypeSetsTheActivationKeptOverArmsAndReopening();
    void withoutTriggerActivationTheTriggerTypeIsAnHonestFailure();
};

void TestGenICamDescriptions::withoutTriggerSoftwareInternalTriggerUsesSingleFramesAndTheFrameRate()
{
    CameraDescription description;
    description.bTriggerSoftware = false;
    DescribedStation described;
    QVERIFY(described.start(description, {"--width", "320", "--height", "240"}));
    Station& station = described.station;
    auto pCamera = station.camera();
    QCOMPARE(listed("设置触发模式", pCamera->setTriggerMode(kInternal)), ok("设置触发模式"));

    // A photo: one single-frame acquisition, one frame.
    QCOMPARE(listed("调用相机拍照接口", pCamera->takePhoto()), ok("调用相机拍照接口"));
    QVERIFY2(station.frames.waitFor(1, 5000ms), "the photo's frame");
    QCOMPARE(settled(station), size_t(1));

    // Continuous shooting: free-running at the rate the trigger gap gives; it
    // must bring frames, not only a success line, and end when stopped.
    station.frames.clear();
    QCOMPARE(listed("设置Gap", pCamera->setTriggerGap(100.0f)), ok("设置Gap"));
    QCOMPARE(listed("调用连续拍照", pCamera->startContinuous()), ok("调用连续拍照"));
    QVERIFY2(station.frames.waitFor(5, 10000ms), "continuous shooting brings frames");
    QCOMPARE(listed("调用连续拍照结束", pCamera->stopContinuous()), ok("调用连续拍照结束"));
    const size_t nStopped = settled(station);
    std::this_thread::sleep_for(600ms);
    QCOMPARE(station.frames.count(), nStopped);
    qInfo("continuous without TriggerSoftware: %zu frames", nStopped);
}

void TestGenICamDescriptions::withoutTriggerSoftwareOrSingleFrameAPhotoIsAnHonestFailure()
{
    CameraDescription description;
    description.bTriggerSoftware = false;
    description.bSingleFrame = false;
    DescribedStation described;
    QVERIFY(described.start(description, {"--width", "320", "--height", "240"}));
    Station& station = described.station;
    auto pCamera = station.camera();
    QCOMPARE(listed("设置触发模式", pCamera->setTriggerMode(kInternal)), ok("设置触发模式"));
    // Nothing can take one frame: the page lists a failure, and no frame comes.
    QCOMPARE(listed("调用相机拍照接口", run(*pCamera, CameraCommand::TakePhoto)),
             failed("调用相机拍照接口", "neither the TriggerSoftware command nor single-frame acquisition"));
    std::this_thread::sleep_for(1s);
    QCOMPARE(station.frames.count(), size_t(0));
    // Continuous shooting still runs on the frame rate.
    QCOMPARE(listed("设置Gap", pCamera->setTriggerGap(100.0f)), ok("设置Gap"));
    QCOMPARE(listed("调用连续拍照", pCamera->startContinuous()), ok("调用连续拍照"));
    QVERIFY2(station.frames.waitFor(3, 10000ms), "continuous shooting brings frames");
    QCOMPARE(listed("调用连续拍照结束", pCamera->stopContinuous()), ok("调用连续拍照结束"));
}

void TestGenICamDescriptions::withoutASoftwareSourceTheCameraOpensForVideoAndExternalTrigger()
{
    CameraDescription description;
    description.bSoftwareSource = false;
    DescribedStation described;
    QVERIFY(described.start(description, {"--width", "320", "--height", "240"}));
    Station& station = described.station;
    auto pCamera = station.camera();
    // Opened: its ranges and settings answer.
    CameraInfo info;
    QCOMPARE(pCamera->getCameraInfo(&info), 0);
    QCOMPARE(info.nSensorWidth, 320);
    unsigned nExposure = 0;
    QCOMPARE(listed("获取曝光", pCamera->getExposure(&nExposure)), ok("获取曝光"));

    // Video runs free.
    QCOMPARE(listed("调用视频模式", pCamera->startVideo()), ok("调用视频模式"));
    QVERIFY2(station.frames.waitFor(5, 10000ms), "video brings frames");
    QCOMPARE(listed("关闭视频", pCamera->stopVideo()), ok("关闭视频"));
    settled(station);

    // External trigger on Line0: set, and photo refused for it.
    QCOMPARE(listed("设置触发模式", pCamera->setTriggerMode(kExternal)), ok("设置触发模式"));
    int nMode = -1;
    QCOMPARE(pCamera->getTriggerMode(&nMode), 0);
    QCOMPARE(nMode, kExternal);
    QCOMPARE(pCamera->takePhoto(), kFailedPrecondition);

    // Internal trigger without a software source: a photo by single frame.
    station.frames.clear();
    QCOMPARE(listed("设置触发模式", pCamera->setTriggerMode(kInternal)), ok("设置触发模式"));
    QCOMPARE(listed("调用相机拍照接口", pCamera->takePhoto()), ok("调用相机拍照接口"));
    QVERIFY2(station.frames.waitFor(1, 5000ms), "the photo's frame");
    QCOMPARE(settled(station), size_t(1));
}

void TestGenICamDescriptions::debouncerWhereTheCameraHasOneAndAnHonestFailureWhereNot()
{
    {
        CameraDescription description;
        description.bDebouncer = true;
        DescribedStation described;
        QVERIFY(described.start(description, {"--width", "64", "--height", "64"}));
        Station& station = described.station;
        auto pCamera = station.camera();
        // Microseconds on the camera, milliseconds on the page.
        CameraInfo info;
        QCOMPARE(pCamera->getCameraInfo(&info), 0);
        QCOMPARE(info.nDebounceMin, 0);
        QCOMPARE(info.nDebounceMax, 1000);
        QCOMPARE(listed("设置去抖时间", pCamera->setDebounceTime(5)), ok("设置去抖时间"));
        int nDebounce = -1;
        QCOMPARE(listed("获取去抖时间", pCamera->getDebounceTime(&nDebounce)), ok("获取去抖时间"));
        QCOMPARE(nDebounce, 5);
        QCOMPARE(pCamera->setDebounceTime(2000), kInvalidArgument);
        QCOMPARE(pCamera->getDebounceTime(&nDebounce), 0);
        QCOMPARE(nDebounce, 5);
    }
    {
        DescribedStation described;
        QVERIFY(described.start(CameraDescription(), {"--width", "64", "--height", "64"}));
        Station& station = described.station;
        auto pCamera = station.camera();
        // The ranges say there is none (0 to 0): the page reads nothing at opening,
        // and a value the operator sends fails with the core's reason.
        CameraInfo info;
        QCOMPARE(pCamera->getCameraInfo(&info), 0);
        QCOMPARE(info.nDebounceMin, 0);
        QCOMPARE(info.nDebounceMax, 0);
        QCOMPARE(listed("设置去抖时间", set(*pCamera, PARAM_DEBOUNCE, ParamNumber::ofI32(5))),
                 failed("设置去抖时间", "no line debouncer"));
        QCOMPARE(pCamera->setDebounceTime(0), kUnimplemented);
        int nDebounce = -7;
        QCOMPARE(pCamera->getDebounceTime(&nDebounce), kUnimplemented);
        QCOMPARE(nDebounce, -7);
        // Shooting is not disturbed by it.
        QCOMPARE(pCamera->setTriggerMode(kInternal), 0);
        QVERIFY(photo(station));
    }
}

void TestGenICamDescriptions::gainInDecibelsAndExposureTimeByTheirStandardNames()
{
    CameraDescription description;
    description.bGainDb = true;
    description.bExposureTime = true;
    DescribedStation described;
    QVERIFY(described.start(description, {"--width", "320", "--height", "240"}));
    Station& station = described.station;
    auto pCamera = station.camera();
    QCOMPARE(pCamera->setTriggerMode(kInternal), 0);

    // The camera's own unit passes through: gain 0 to 5 dB, exposure in us.
    CameraInfo info;
    QCOMPARE(pCamera->getCameraInfo(&info), 0);
    QCOMPARE(info.fGainMin, 0.0f);
    QCOMPARE(info.fGainMax, 5.0f);
    QCOMPARE(info.nExposureMin, 10u);
    QCOMPARE(info.nExposureMax, 10000000u);

    QCOMPARE(listed("设置曝光", pCamera->setExposure(20000)), ok("设置曝光"));
    QCOMPARE(listed("设置增益", pCamera->setGain(0.0f)), ok("设置增益"));
    const auto pDark = photo(station);
    QCOMPARE(listed("设置曝光", pCamera->setExposure(100000)), ok("设置曝光"));
    const auto pLong = photo(station);
    // 1.5 dB is raw step 3 behind the description's converter: a brighter picture.
    QCOMPARE(listed("设置增益", pCamera->setGain(1.5f)), ok("设置增益"));
    const auto pBright = photo(station);
    QVERIFY(pDark && pLong && pBright);
    const double dDark = meanOf(*pDark);
    const double dLong = meanOf(*pLong);
    const double dBright = meanOf(*pBright);
    qInfo("mean pixel: 20000 us %.1f, 100000 us %.1f, and 1.5 dB %.1f", dDark, dLong, dBright);
    QVERIFY2(dLong > dDark * 1.1, "a longer exposure brightens the fake's picture");
    QVERIFY2(dBright > dLong * 1.1, "more gain brightens the fake's picture");
    float fGain = -1.0f;
    unsigned nExposure = 0;
    QCOMPARE(listed("获取增益", pCamera->getGain(&fGain)), ok("获取增益"));
    QCOMPARE(fGain, 1.5f);
    QCOMPARE(listed("获取曝光", pCamera->getExposure(&nExposure)), ok("获取曝光"));
    QCOMPARE(nExposure, 100000u);

    // Outside the camera's range: refused, and the camera keeps its value.
    QCOMPARE(listed("设置增益", set(*pCamera, PARAM_GAIN, ParamNumber::ofF32(5.5f))),
             failed("设置增益", "gain"));
    QCOMPARE(pCamera->setGain(-0.5f), kInvalidArgument);
    QCOMPARE(pCamera->getGain(&fGain), 0);
    QCOMPARE(fGain, 1.5f);
}

void TestGenICamDescriptions::unconvertibleFormatIsToldAndShootingRefused()
{
    CameraDescription description;
    description.qsPixelFormat = QStringLiteral("YUV422Packed");
    description.nPixelFormat = 0x0210001f;
    DescribedStation described;
    QVERIFY(
        described.start(description, {"--width", "64", "--height", "64", "--pixel-format", "YUV422Packed"}));
    Station& station = described.station;
    auto pCamera = station.camera();
    QCOMPARE(pCamera->setTriggerMode(kInternal), 0);
    // The core found out when it opened the camera, before this client was there;
    // the client opening it hears the format named (the page lists it as a
    // status line) ...
    std::vector<CameraListing> cameras;
    QCOMPARE(station.pComm->listCameras(&cameras, false), 0);
    const auto gige = std::find_if(cameras.begin(), cameras.end(), [](const CameraListing& listing) {
        return listing.strInterface == "GigE";
    });
    QVERIFY(gige != cameras.end());
    QCOMPARE(station.pComm->openCamera(gige->strId), 0);
    QVERIFY(station.messages.waitForPart(MESSAGE_TYPE_ERROR, "error", "YUV422Packed", 10000ms));
    // ... and shooting is refused for it instead of frames dropped unseen.
    QCOMPARE(listed("调用相机拍照接口", run(*pCamera, CameraCommand::TakePhoto)),
             failed("调用相机拍照接口", "YUV422Packed"));
    QCOMPARE(listed("调用连续拍照", run(*pCamera, CameraCommand::StartContinuous)),
             failed("调用连续拍照", "YUV422Packed"));
    QCOMPARE(listed("调用视频模式", run(*pCamera, CameraCommand::StartVideo)),
             failed("调用视频模式", "YUV422Packed"));
    std::this_thread::sleep_for(1s);
    QCOMPARE(station.frames.count(), size_t(0));
}

void TestGenICamDescriptions::externalTriggerOnTheFirstLineOrAnHonestFailureWithoutOne()
{
    {
        // No Line0: the camera's first line that is a trigger source.
        CameraDescription description;
        description.qsLine = QStringLiteral("Line2");
        DescribedStation described;
        QVERIFY(described.start(description, {"--width", "64", "--height", "64"}));
        auto pCamera = described.station.camera();
        CameraInfo info;
        QCOMPARE(pCamera->getCameraInfo(&info), 0);
        QCOMPARE(info.nTriggerModeMin, 0u);
        QCOMPARE(listed("设置触发模式", pCamera->setTriggerMode(kExternal)), ok("设置触发模式"));
        int nMode = -1;
        QCOMPARE(pCamera->getTriggerMode(&nMode), 0);
        QCOMPARE(nMode, kExternal);
        QCOMPARE(listed("调用相机拍照接口", run(*pCamera, CameraCommand::TakePhoto)),
                 failed("调用相机拍照接口", "Line2"));
    }
    {
        // No line at all: internal trigger only, and the ranges say so.
        CameraDescription description;
        description.qsLine.clear();
        DescribedStation described;
        QVERIFY(described.start(description, {"--width", "64", "--height", "64"}));
        Station& station = described.station;
        auto pCamera = station.camera();
        CameraInfo info;
        QCOMPARE(pCamera->getCameraInfo(&info), 0);
        QCOMPARE(info.nTriggerModeMin, 1u);
        QCOMPARE(info.nTriggerModeMax, 1u);
        QCOMPARE(listed("设置触发模式", set(*pCamera, PARAM_TRIGGER_MODE, ParamNumber::ofI32(kExternal))),
                 failed("设置触发模式", "no line that is a trigger source"));
        int nMode = -1;
        QCOMPARE(pCamera->getTriggerMode(&nMode), 0);
        QCOMPARE(nMode, kInternal);
        QCOMPARE(listed("调用相机拍照接口", pCamera->takePhoto()), ok("调用相机拍照接口"));
        QVERIFY(station.frames.waitFor(1, 5000ms));
    }
}

void TestGenICamDescriptions::triggerTypeSetsTheActivationKeptOverArmsAndReopening()
{
    CameraDescription description;
    description.bActivation = true;
    DescribedStation described;
    QVERIFY(described.start(description, {"--width", "64", "--height", "64"}));
    Station& station = described.station;
    auto pCamera = station.camera();
    const auto setType = [&](int nType) {
        return set(*pCamera, PARAM_TRIGGER_TYPE, ParamNumber::ofI32(nType));
    };
    const auto getType = [&]() {
        int nType = -1;
        return pCamera->getTriggerType(&nType) == 0 ? nType : -1;
    };
    // The ranges say it has one: the page reads the trigger type at opening.
    CameraInfo info;
    QCOMPARE(pCamera->getCameraInfo(&info), 0);
    QVERIFY(pCamera->hasTriggerActivation());
    QCOMPARE(getType(), 0);
    QCOMPARE(listed("设置触发类型", setType(1)), ok("设置触发类型"));
    QCOMPARE(getType(), 1);
    // Arming on the line resets the edge in the camera library: it is written again.
    QCOMPARE(pCamera->setTriggerMode(kExternal), 0);
    QCOMPARE(getType(), 1);
    QCOMPARE(pCamera->setTriggerMode(kInternal), 0);
    QCOMPARE(pCamera->setTriggerMode(kExternal), 0);
    QCOMPARE(getType(), 1);
    QCOMPARE(listed("设置触发类型", setType(2)), failed("设置触发类型", "outside 0 (rising edge) to 1"));
    QCOMPARE(getType(), 1);

    // The camera restarts with its defaults; the core puts the edge back.
    const size_t nMessages = station.messages.count();
    described.camera.kill();
    QVERIFY(station.messages.waitFor(MESSAGE_TYPE_CAMERA_STATE, "camera", "lost", 20000ms, nMessages));
    QVERIFY(described.camera.start(description));
    QVERIFY(station.messages.waitFor(MESSAGE_TYPE_CAMERA_STATE, "camera", "back", 20000ms, nMessages));
    QCOMPARE(getType(), 1);
    QCOMPARE(listed("设置触发类型", setType(0)), ok("设置触发类型"));
    QCOMPARE(getType(), 0);
}

void TestGenICamDescriptions::withoutTriggerActivationTheTriggerTypeIsAnHonestFailure()
{
    DescribedStation described;
    QVERIFY(described.start(CameraDescription(), {"--width", "64", "--height", "64"}));
    Station& station = described.station;
    auto pCamera = station.camera();
    // The ranges say it has none, so the page reads no trigger type at opening; a
    // type the operator sets fails with the core's reason.
    CameraInfo info;
    QCOMPARE(pCamera->getCameraInfo(&info), 0);
    QVERIFY(!pCamera->hasTriggerActivation());
    QCOMPARE(listed("设置触发类型", set(*pCamera, PARAM_TRIGGER_TYPE, ParamNumber::ofI32(1))),
             failed("设置触发类型", "no TriggerActivation"));
    int nType = -1;
    QVERIFY(pCamera->getTriggerType(&nType) != 0);
    QCOMPARE(nType, -1);
    // The rest of the trigger works as before.
    QCOMPARE(pCamera->setTriggerMode(kExternal), 0);
    QCOMPARE(pCamera->setTriggerMode(kInternal), 0);
    QVERIFY(photo(station));
}

QTEST_GUILESS_MAIN(TestGenICamDescriptions)
#include "tst_genicam_descriptions.moc"
