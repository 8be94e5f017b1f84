// Several cameras of one core through corelink_client: listing, opening per
// client, calls and frames by camera id, release on close and when a client
// goes away; against a real vision-core-sim process.

#include <QtTest>

#include "FrameCollector.h"
#include "SimCore.h"
#include "corelink/CCommFactoryRPC.h"
#include "common/vexa_image.h"

using namespace std::chrono_literals;

namespace {

std::shared_ptr<CCommBase> connectTo(const QString& strEndpoint)
{
    Json::Value settings;
    settings["rpc"]["ip"] = strEndpoint.toStdString();
    auto pComm = CCommFactoryRPC::instance().create(1);
    if (pComm && pComm->init(settings) != 0)
        return nullptr;
    return pComm;
}

const CameraListing* findCamera(const std::vector<CameraListing>& cameras, const std::string& strId)
{
    for (const auto& camera : cameras)
        if (camera.strId == strId)
            return &camera;
    return nullptr;
}

CameraListing::State stateOf(CCommBase& comm, const std::string& strId)
{
    std::vector<CameraListing> cameras;
    if (comm.listCameras(&cameras, false) != 0)
        return CameraListing::State(-1);
    const CameraListing* pCamera = findCamera(cameras, strId);
    return pCamera ? pCamera->state : CameraListing::State(-1);
}

} // namespace

class TestCorelinkCameras : public QObject
{
    Q_OBJECT

private slots:
    void listedCamerasAreHeldPerClient();
    void callsAndFramesFollowTheirCamera();
    void closedOrAbandonedCamerasAreReleased();
    void coreWithoutCamerasAndCoreDown();
};

void TestCorelinkCameras::listedCamerasAreHeldPerClient()
{
    SimCore sim;
    QVERIFY(sim.start({"--simulated", "2"}));
    auto pA = connectTo(sim.endpoint());
    auto pB = connectTo(sim.endpoint());
    QVERIFY(pA && pB);

    std::vector<CameraListing> cameras;
    QCOMPARE(pA->listCameras(&cameras), 0);
    QCOMPARE(int(cameras.size()), 2);
    QCOMPARE(cameras[0].strId, std::string("sim-1"));
    QCOMPARE(cameras[1].strId, std::string("sim-2"));
    for (const auto& camera : cameras) {
        QCOMPARE(camera.strInterface, std::string("simulated"));
        QVERIFY(!camera.strVendor.empty() && !camera.strModel.empty() && !camera.strAddress.empty());
        QCOMPARE(camera.state, CameraListing::Free);
    }
    QVERIFY(cameras[0].strSerial != cameras[1].strSerial);

    CameraListing opened;
    QCOMPARE(pA->openCamera("sim-2", &opened), 0);
    QCOMPARE(opened.strId, std::string("sim-2"));
    QCOMPARE(opened.state, CameraListing::Open);
    QCOMPARE(stateOf(*pA, "sim-2"), CameraListing::Open);
    QCOMPARE(stateOf(*pB, "sim-2"), CameraListing::InUse);
    QCOMPARE(stateOf(*pB, "sim-1"), CameraListing::Free);
    // Held by A: B can neither open nor drive it by name.
    QVERIFY(pB->openCamera("sim-2") != 0);
    QVERIFY(pB->camera("sim-2")->setExposure(9000) != 0);
    QVERIFY(pA->openCamera("no-such-camera") != 0);

    // Each camera keeps its own settings.
    QCOMPARE(pB->openCamera("sim-1"), 0);
    QCOMPARE(pA->camera("sim-2")->setExposure(5000), 0);
    QCOMPARE(pB->camera("sim-1")->setExposure(7000), 0);
    unsigned nExposure = 0;
    QCOMPARE(pA->camera("sim-2")->getExposure(&nExposure), 0);
    QCOMPARE(nExposure, 5000u);
    QCOMPARE(pB->camera("sim-1")->getExposure(&nExposure), 0);
    QCOMPARE(nExposure, 7000u);
    // The same object for the same id.
    QCOMPARE(pA->camera("sim-2").get(), pA->camera("sim-2").get());
    QVERIFY(pA->camera("sim-2").get() != pA->camera().get());
}

void TestCorelinkCameras::callsAndFramesFollowTheirCamera()
{
    SimCore sim;
    QVERIFY(sim.start({"--simulated", "2", "--width", "64", "--height", "48"}));
    auto pComm = connectTo(sim.endpoint());
    QVERIFY(pComm);
    QCOMPARE(pComm->openCamera("sim-2"), 0);
    QCOMPARE(pComm->openCamera("sim-1"), 0);

    // A call naming no camera addresses the first camera opened.
    QCOMPARE(pComm->camera()->setExposure(1234), 0);
    unsigned nExposure = 0;
    QCOMPARE(pComm->camera("sim-2")->getExposure(&nExposure), 0);
    QCOMPARE(nExposure, 1234u);
    QCOMPARE(pComm->camera("sim-1")->getExposure(&nExposure), 0);
    QVERIFY(nExposure != 1234u);

    FrameCollector first;
    FrameCollector second;
    FrameCollector others;
    pComm->camera("sim-1")->setFrameCallback(first.callback());
    pComm->camera("sim-2")->setFrameCallback(second.callback());
    pComm->camera()->setFrameCallback(others.callback());

    QCOMPARE(pComm->camera("sim-1")->takePhoto(), 0);
    QVERIFY(first.waitFor(1, 5s));
    QCOMPARE(pComm->camera("sim-2")->takePhoto(), 0);
    QCOMPARE(pComm->camera("sim-2")->takePhoto(), 0);
    QVERIFY(second.waitFor(2, 5s));
    // sim-2's frames went to sim-2 only; the frame after them shows that
    // nothing of sim-2 is still on its way to sim-1's callback.
    QCOMPARE(pComm->camera("sim-1")->takePhoto(), 0);
    QVERIFY(first.waitFor(2, 5s));
    QCOMPARE(first.count(), size_t(2));
    QCOMPARE(second.count(), size_t(2));
    QCOMPARE(others.count(), size_t(0));
    QCOMPARE(first.frame(0)->width(), 64);

    // Without a callback of its own, a camera's frames reach the general one.
    pComm->camera("sim-2")->setFrameCallback(nullptr);
    QCOMPARE(pComm->camera("sim-2")->takePhoto(), 0);
    QVERIFY(others.waitFor(1, 5s));
    QCOMPARE(second.count(), size_t(2));
    pComm->camera()->setFrameCallback(nullptr);
    pComm->camera("sim-1")->setFrameCallback(nullptr);
}

void TestCorelinkCameras::closedOrAbandonedCamerasAreReleased()
{
    SimCore sim;
    QVERIFY(sim.start({"--simulated", "2", "--width", "64", "--height", "48"}));
    auto pA = connectTo(sim.endpoint());
    auto pB = connectTo(sim.endpoint());
    QVERIFY(pA && pB);

    QCOMPARE(pA->openCamera("sim-1"), 0);
    QCOMPARE(stateOf(*pB, "sim-1"), CameraListing::InUse);
    QCOMPARE(pA->closeCamera("sim-1"), 0);
    QCOMPARE(stateOf(*pB, "sim-1"), CameraListing::Free);
    QCOMPARE(stateOf(*pA, "sim-1"), CameraListing::Free);
    QVERIFY(pA->camera("sim-1")->takePhoto() != 0);
    QVERIFY(pA->closeCamera("sim-1") != 0);

    // Closing stops what the camera was shooting for its client.
    FrameCollector frames;
    QCOMPARE(pB->openCamera("sim-1"), 0);
    pB->camera("sim-1")->setFrameCallback(frames.callback());
    QCOMPARE(pB->camera("sim-1")->startVideo(), 0);
    QVERIFY(frames.waitFor(3, 5s));
    QCOMPARE(pB->closeCamera("sim-1"), 0);
    QCOMPARE(pB->openCamera("sim-1"), 0);
    frames.clear();
    QCOMPARE(pB->camera("sim-1")->takePhoto(), 0);
    QVERIFY(frames.waitFor(1, 5s));
    // The photo's frame came after the video's last: a video still running
    // would keep adding frames behind it, so wait for another photo instead.
    QCOMPARE(pB->camera("sim-1")->takePhoto(), 0);
    QVERIFY(frames.waitFor(2, 5s));
    QCOMPARE(frames.count(), size_t(2));
    pB->camera("sim-1")->setFrameCallback(nullptr);

    // A client that goes away leaves its cameras to the others.
    QCOMPARE(pA->openCamera("sim-2"), 0);
    QCOMPARE(stateOf(*pB, "sim-2"), CameraListing::InUse);
    pA->uninit();
    pA.reset();
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(*pB, "sim-2"), CameraListing::Free, 20000);
    QCOMPARE(pB->openCamera("sim-2"), 0);
}

void TestCorelinkCameras::coreWithoutCamerasAndCoreDown()
{
    SimCore sim;
    QVERIFY(sim.start({"--simulated", "0"}));
    auto pComm = connectTo(sim.endpoint());
    QVERIFY(pComm);
    std::vector<CameraListing> cameras(1);
    QCOMPARE(pComm->listCameras(&cameras), 0);
    QVERIFY(cameras.empty());
    QVERIFY(pComm->camera()->takePhoto() != 0);
    QVERIFY(pComm->openCamera("sim-1") != 0);

    sim.stop();
    // The link notices the core is gone; the list then reports it.
    QTRY_VERIFY_WITH_TIMEOUT(pComm->listCameras(&cameras) != 0, 20000);

    auto pNever = CCommFactoryRPC::instance().create(1);
    Json::Value settings;
    settings["rpc"]["ip"] = QStringLiteral("127.0.0.1:%1").arg(SimCore::unusedPort()).toStdString();
    QVERIFY(pNever->init(settings) != 0);
    QVERIFY(pNever->listCameras(&cameras) != 0);
}

QTEST_GUILESS_MAIN(TestCorelinkCameras)
#include "tst_corelink_cameras.moc"
