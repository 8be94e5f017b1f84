// A station of two fake GigE Vision cameras and a simulated one behind one
// vision core that discovers them, seen through the real client link: each
// listed with its fields, opened, photographed and set on its own; one
// camera's power cut and back while the other keeps streaming. Runs inside a
// network namespace of its own (netns.sh), where 127.0.0.2 is added to lo.

#include <chrono>
#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>

#include <QProcess>
#include <QtTest>

#include "FakeGigEStation.h"
#include "FrameCollector.h"
#include "SimCore.h"
#include "common/vexa_image.h"
#include "corelink/CCommFactoryRPC.h"

using namespace std::chrono_literals;

namespace {

// The core's camera-state messages, by camera.
class StateCollector
{
public:
    MessageCallback callback()
    {
        return [this](E_Message_Type, const Json::Value& json) {
            if (!json.isObject() || !json["camera"].isString() || !json["camera_id"].isString())
                return;
            std::lock_guard<std::mutex> lock(m_mutex);
            m_states.emplace_back(json["camera_id"].asString(), json["camera"].asString());
            m_arrived.notify_all();
        };
    }

    bool waitFor(const std::string& strCamera, const std::string& strState, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] {
            return std::find(m_states.begin(), m_states.end(), std::make_pair(strCamera, strState))
                != m_states.end();
        });
    }

    bool heard(const std::string& strCamera) const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto& state : m_states)
            if (state.first == strCamera)
                return true;
        return false;
    }

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::pair<std::string, std::string>> m_states;
};

using fakegige::meanOf;

std::shared_ptr<VexaImage> photo(CCameraBase& camera, FrameCollector& frames)
{
    const size_t nBefore = frames.count();
    if (camera.takePhoto() != 0 || !frames.waitFor(nBefore + 1, 10s))
        return nullptr;
    return frames.frame(frames.count() - 1);
}

const CameraListing* bySerial(const std::vector<CameraListing>& cameras, const std::string& strSerial)
{
    for (const auto& camera : cameras)
        if (camera.strSerial == strSerial)
            return &camera;
    return nullptr;
}

} // namespace

class TestGenICamStation : public QObject
{
    Q_OBJECT

private slots:
    void twoFakesAndASimulatedCamera();
};

void TestGenICamStation::twoFakesAndASimulatedCamera()
{
    // The fake binds only to an address an interface of the namespace holds.
    QProcess::execute(QStringLiteral("ip"), {"addr", "add", "127.0.0.2/8", "dev", "lo"});
    FakeGigECamera fakeA(QStringLiteral("127.0.0.1"), QStringLiteral("A"));
    FakeGigECamera fakeB(QStringLiteral("127.0.0.2"), QStringLiteral("B"));
    QVERIFY(fakeA.start());
    QVERIFY(fakeB.start());

    SimCore core;
    QVERIFY(core.start({"--discovery", "on", "--simulated", "1", "--reopen-every", "1", "--width", "640",
                        "--height", "480"}));
    auto pComm = CCommFactoryRPC::instance().create(1);
    Json::Value settings;
    settings["rpc"]["ip"] = core.endpoint().toStdString();
    QCOMPARE(pComm->init(settings), 0);
    StateCollector states;
    pComm->setMessageCallback(states.callback());

    std::vector<CameraListing> cameras;
    QCOMPARE(pComm->listCameras(&cameras), 0);
    QCOMPARE(int(cameras.size()), 3);
    const CameraListing* pA = bySerial(cameras, "A");
    const CameraListing* pB = bySerial(cameras, "B");
    QVERIFY(pA && pB);
    QCOMPARE(pA->strInterface, std::string("GigE"));
    QCOMPARE(pB->strInterface, std::string("GigE"));
    QCOMPARE(pA->strAddress, std::string("127.0.0.1"));
    QCOMPARE(pB->strAddress, std::string("127.0.0.2"));
    QVERIFY(!pA->strVendor.empty() && !pA->strModel.empty() && pA->strId != pB->strId);
    QCOMPARE(pA->state, CameraListing::Free);
    const std::string strA = pA->strId;
    const std::string strB = pB->strId;
    std::string strSim;
    for (const auto& camera : cameras)
        if (camera.strInterface == "simulated")
            strSim = camera.strId;
    QVERIFY(!strSim.empty());

    FrameCollector framesA;
    FrameCollector framesB;
    FrameCollector framesSim;
    for (const std::string& strId : {strA, strB, strSim})
        QCOMPARE(pComm->openCamera(strId), 0);
    auto pCameraA = pComm->camera(strA);
    auto pCameraB = pComm->camera(strB);
    pCameraA->setFrameCallback(framesA.callback());
    pCameraB->setFrameCallback(framesB.callback());
    pComm->camera(strSim)->setFrameCallback(framesSim.callback());

    // Different exposures, each visible in its own camera's pixels.
    QCOMPARE(pCameraA->setGain(0.0f), 0);
    QCOMPARE(pCameraB->setGain(0.0f), 0);
    QCOMPARE(pCameraA->setExposure(10000), 0);
    QCOMPARE(pCameraB->setExposure(100000), 0);
    const auto pDark = photo(*pCameraA, framesA);
    const auto pBright = photo(*pCameraB, framesB);
    const auto pSim = photo(*pComm->camera(strSim), framesSim);
    QVERIFY(pDark && pBright && pSim);
    QCOMPARE(pSim->width(), 640);
    qInfo("mean pixel: camera A at 10000 us %.1f, camera B at 100000 us %.1f", meanOf(*pDark),
          meanOf(*pBright));
    QVERIFY2(meanOf(*pBright) > meanOf(*pDark) * 1.2, "camera B's longer exposure shows in its pixels only");

    // A streams while B loses its power and gets it back.
    QCOMPARE(pCameraA->startVideo(), 0);
    QVERIFY(framesA.waitFor(framesA.count() + 5, 10s));
    const size_t nBeforeLoss = framesA.count();
    fakeB.kill();
    QVERIFY2(states.waitFor(strB, "lost", 30s), "camera B is reported lost");
    QVERIFY2(!states.heard(strA), "camera A's state is not touched");
    const size_t nAtLoss = framesA.count();
    QVERIFY2(nAtLoss > nBeforeLoss, "camera A's frames kept coming while B was going");
    QVERIFY(framesA.waitFor(nAtLoss + 10, 10s));
    QVERIFY(fakeB.start());
    QVERIFY2(states.waitFor(strB, "back", 30s), "camera B is back");
    const size_t nAtBack = framesA.count();
    QVERIFY2(nAtBack > nAtLoss + 10, "camera A's frames kept coming while B was away");
    QVERIFY(framesA.waitFor(nAtBack + 5, 10s));

    // B comes back with its settings: its exposure, and the bright pixels.
    unsigned nExposure = 0;
    QCOMPARE(pCameraB->getExposure(&nExposure), 0);
    QCOMPARE(nExposure, 100000u);
    const auto pBack = photo(*pCameraB, framesB);
    QVERIFY(pBack);
    QVERIFY2(meanOf(*pBack) > meanOf(*pDark) * 1.2, "camera B's exposure was put back");
    QCOMPARE(pCameraA->stopVideo(), 0);

    // Closed, a camera is free in the core again.
    QCOMPARE(pComm->closeCamera(strB), 0);
    auto pOther = CCommFactoryRPC::instance().create(1);
    QCOMPARE(pOther->init(settings), 0);
    QCOMPARE(pOther->listCameras(&cameras, false), 0);
    QCOMPARE(bySerial(cameras, "B")->state, CameraListing::Free);
    QCOMPARE(bySerial(cameras, "A")->state, CameraListing::InUse);
    pOther->uninit();
    pCameraA->setFrameCallback(nullptr);
    pCameraB->setFrameCallback(nullptr);
    pComm->camera(strSim)->setFrameCallback(nullptr);
    pComm->uninit();
}

QTEST_GUILESS_MAIN(TestGenICamStation)
#include "tst_genicam_station.moc"
