// How corelink_client lives with a core that stops answering, vanishes without
// closing the connection, or refuses the client's keepalive pings.

#include <algorithm>
#include <atomic>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <QElapsedTimer>
#include <QtTest>

#include "SimCore.h"
#include "StubCore.h"
#include "corelink/CCommFactoryRPC.h"

using namespace std::chrono_literals;

namespace {

Json::Value settingsFor(const std::string& strEndpoint)
{
    Json::Value settings;
    settings["rpc"]["ip"] = strEndpoint;
    return settings;
}

// Link changes as the client reports them, with the time since the recorder was made.
class LinkRecorder
{
public:
    LinkCallback callback()
    {
        return [this](bool bUp) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_events.push_back({bUp, m_clock.elapsed()});
        };
    }
    std::vector<std::pair<bool, qint64>> events()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    void restart() { m_clock.restart(); }
    LinkRecorder() { m_clock.start(); }

private:
    std::mutex m_mutex;
    QElapsedTimer m_clock;
    std::vector<std::pair<bool, qint64>> m_events;
};

} // namespace

class TestCorelinkLink : public QObject
{
    Q_OBJECT

private slots:
    void silentCoreCostsOneDeadline();
    void waitingInitEndsOnUninit();
    void stoppedCoreHostIsNoticedAndFoundAgain();
    void coreRefusingPingsIsNotHammered();
};

void TestCorelinkLink::silentCoreCostsOneDeadline()
{
    StubCore core;
    QVERIFY(core.start());
    auto pComm = CCommFactoryRPC::instance().create(1);
    QCOMPARE(pComm->init(settingsFor(core.endpoint())), 0);
    auto pCamera = pComm->camera();
    QCOMPARE(pCamera->setExposure(400), 0);

    core.clearLog();
    core.setSilent(true);
    // Ten calls of every kind: the first waits out its deadline, the others
    // fail at once without going to the core; none succeeds.
    std::vector<int> results;
    unsigned nExposure = 0;
    float fGain = 0.0f;
    CameraInfo info;
    const std::vector<std::function<int()>> calls{
        [&] { return pCamera->takePhoto(); },
        [&] { return pCamera->setGain(3.0f); },
        [&] { return pCamera->getExposure(&nExposure); },
        [&] { return pCamera->getCameraInfo(&info); },
        [&] { return pCamera->startContinuous(); },
        [&] { return pCamera->setTriggerGap(20.0f); },
        [&] { return pCamera->getGain(&fGain); },
        [&] { return pCamera->setDebounceTime(5); },
        [&] { return pCamera->stopVideo(); },
        [&] {
            int n = 0;
            return pComm->notifyLoadUI(&n);
        },
    };
    for (const auto& call : calls)
        results.push_back(call());
    QCOMPARE(results[0], int(grpc::StatusCode::DEADLINE_EXCEEDED));
    for (size_t i = 1; i < results.size(); ++i)
        QCOMPARE(results[i], int(grpc::StatusCode::UNAVAILABLE));
    // Of the ten, only the first reached the core; the camera reads that did
    // are the gate's own probes.
    std::vector<std::string> reached = core.arrivals();
    reached.erase(std::remove(reached.begin(), reached.end(), std::string("GetCameraInfo")), reached.end());
    QCOMPARE(reached, std::vector<std::string>{"Command"});
    QCOMPARE(nExposure, 0u);

    // The core answers again: a check in the background opens the way, with
    // no call from here in between.
    core.clearLog();
    core.setSilent(false);
    QElapsedTimer back;
    back.start();
    QTRY_VERIFY_WITH_TIMEOUT(pCamera->getExposure(&nExposure) == 0, 3000);
    qInfo("calls go through %lld ms after the core answers again", back.elapsed());
    QCOMPARE(nExposure, 400u);
    QCOMPARE(pCamera->setGain(4.0f), 0);
    // Calls that failed at once never reached the core.
    const auto log = core.log();
    QCOMPARE(std::count(log.begin(), log.end(), std::string("command:COMMAND_START_CONTINUOUS")), 0L);
    pComm->uninit();
}

void TestCorelinkLink::waitingInitEndsOnUninit()
{
    StubCore core;
    QVERIFY(core.start());
    core.setSilent(true);
    auto pComm = CCommFactoryRPC::instance().create(1);
    std::atomic<int> nResult{-100};
    std::thread connector([&] { nResult = pComm->init(settingsFor(core.endpoint())); });
    // The first contact waits at the silent core; uninit ends it before its
    // deadline: the attempt reports itself cancelled, not timed out.
    const auto reachedCore = [&core] {
        const std::vector<std::string> arrived = core.arrivals();
        return std::find(arrived.begin(), arrived.end(), std::string("Ping")) != arrived.end();
    };
    QTRY_VERIFY_WITH_TIMEOUT(reachedCore(), 20000);
    pComm->uninit();
    connector.join();
    QCOMPARE(nResult.load(), int(grpc::StatusCode::CANCELLED));
}

void TestCorelinkLink::stoppedCoreHostIsNoticedAndFoundAgain()
{
    // SIGSTOP: the connection stays open and nothing comes back, as when the
    // core's host loses power.
    SimCore sim;
    QVERIFY(sim.start(
        {QStringLiteral("--width"), QStringLiteral("64"), QStringLiteral("--height"), QStringLiteral("48")}));
    auto pComm = CCommFactoryRPC::instance().create(1);
    LinkRecorder links;
    pComm->setLinkCallback(links.callback());
    QCOMPARE(pComm->init(settingsFor(sim.endpoint().toStdString())), 0);
    std::this_thread::sleep_for(300ms);
    QVERIFY(links.events().empty());

    QCOMPARE(::kill(pid_t(sim.pid()), SIGSTOP), 0);
    links.restart();
    // Noticed by the keepalive (about two seconds when quiet), with no call made.
    QTRY_VERIFY_WITH_TIMEOUT(!links.events().empty(), 20000);
    const auto down = links.events().front();
    QCOMPARE(down.first, false);
    qInfo("silent link noticed after %lld ms", down.second);

    QCOMPARE(::kill(pid_t(sim.pid()), SIGCONT), 0);
    links.restart();
    QTRY_COMPARE_WITH_TIMEOUT(links.events().size(), size_t(2), 20000);
    QCOMPARE(links.events().back().first, true);
    qInfo("link up again %lld ms after the core resumed", links.events().back().second);
    unsigned nExposure = 0;
    QTRY_VERIFY_WITH_TIMEOUT(pComm->camera()->getExposure(&nExposure) == 0, 3000);
    pComm->setLinkCallback(LinkCallback());
    pComm->uninit();
}

void TestCorelinkLink::coreRefusingPingsIsNotHammered()
{
    // gRPC's default policy: pings more often than every five minutes on a
    // link without data count as strikes, and the third closes it.
    StubCore core;
    StubCore::Options options;
    options.bPermitPings = false;
    QVERIFY(core.start(options));
    auto pComm = CCommFactoryRPC::instance().create(1);
    LinkRecorder links;
    pComm->setLinkCallback(links.callback());
    QCOMPARE(pComm->init(settingsFor(core.endpoint())), 0);
    QTest::qWait(20000);
    const auto events = links.events();
    int nDrops = 0;
    for (const auto& event : events)
        nDrops += event.first ? 0 : 1;
    qInfo("core refusing pings: %d drops in 20 s, %d subscriptions", nDrops, core.subscriptions());
    // At a steady one-second ping the link drops about every four seconds
    // (five times here); backing off, the gaps double (4 s, then 8 s, 16 s).
    QVERIFY2(nDrops >= 1 && nDrops <= 2, qPrintable(QString::number(nDrops)));
    // Every drop is followed by the link coming back.
    QTRY_VERIFY_WITH_TIMEOUT(!links.events().empty() && links.events().back().first, 5000);
    unsigned nExposure = 0;
    QCOMPARE(pComm->camera()->getExposure(&nExposure), 0);
    pComm->setLinkCallback(LinkCallback());
    pComm->uninit();
}

QTEST_GUILESS_MAIN(TestCorelinkLink)
#include "tst_corelink_link.moc"
