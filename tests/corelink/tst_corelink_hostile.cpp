// corelink_client against a core that sends what the test tells it: messages
// nested far too deep, callbacks that throw, error texts that try to forge
// log lines, malformed frames. The client must keep running and keep
// delivering, and its log must stay one line per event.

#include <mutex>
#include <string>
#include <vector>

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "FrameCollector.h"
#include "HostileCore.h"
#include "common/vexa_image.h"
#include "corelink/CCommFactoryRPC.h"
#include "corelink/InitLog.h"

using namespace std::chrono_literals;

namespace {

std::string nested(int nDepth)
{
    return std::string(size_t(nDepth), '[') + std::string(size_t(nDepth), ']');
}

// Keeps the messages and frame refusals a client reports.
class EventCollector
{
public:
    MessageCallback messageCallback()
    {
        return [this](E_Message_Type, const Json::Value& message) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_messages.push_back(message);
        };
    }
    RejectedFrameCallback rejectedCallback()
    {
        return [this](std::uint64_t nTotal, const std::string& strReason) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_rejected.emplace_back(nTotal, strReason);
        };
    }
    std::vector<Json::Value> messages() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }
    std::vector<std::pair<std::uint64_t, std::string>> rejected() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_rejected;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.clear();
        m_rejected.clear();
    }

private:
    mutable std::mutex m_mutex;
    std::vector<Json::Value> m_messages;
    std::vector<std::pair<std::uint64_t, std::string>> m_rejected;
};

} // namespace

class TestCorelinkHostile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_strLog;
    HostileCore m_core;
    std::shared_ptr<CCommBase> m_pComm;
    FrameCollector m_frames;
    EventCollector m_events;

    QByteArrayList logLines() const
    {
        QFile file(m_strLog);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QByteArrayList lines = file.readAll().split('\n');
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    int linesContaining(const QByteArray& text) const
    {
        int nCount = 0;
        for (const QByteArray& line : logLines())
            nCount += line.contains(text) ? 1 : 0;
        return nCount;
    }

    // Sends a frame with this identifier and waits for it; the link is alive.
    bool frameStillArrives(std::uint64_t nIdentifier)
    {
        const size_t nBefore = m_frames.count();
        m_core.sendFrame(HostileCore::frame(8, 4, kelvora::core::PIXEL_GRAY, 9, nIdentifier));
        if (!m_frames.waitFor(nBefore + 1, 10s))
            return false;
        return m_frames.frame(m_frames.count() - 1)->getIdentifier() == nIdentifier;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_strLog = m_dir.filePath("Logs/log_vision_core_client.txt");
        QCOMPARE(initLogBounded("vision_core_client", m_strLog.toLocal8Bit().constData(), 0, false,
                                1024 * 1024, 2),
                 0);
        // Even the core's name tries to start a line of its own.
        m_core.setCoreName("evil\n[2026-01-01 00:00:00.000] [vision_core_client] [info] [1] forged name");
        QVERIFY(m_core.start());
        m_pComm = CCommFactoryRPC::instance().create(1);
        Json::Value settings;
        settings["rpc"]["ip"] = m_core.endpoint();
        QCOMPARE(m_pComm->init(settings), 0);
        m_pComm->camera()->setFrameCallback(m_frames.callback());
        m_pComm->camera()->setRejectedFrameCallback(m_events.rejectedCallback());
        m_pComm->setMessageCallback(m_events.messageCallback());
        QVERIFY(m_core.waitForSubscribers(1, 1, 5s));

        QCOMPARE(linesContaining("connected to vision core"), 1);
        QCOMPARE(linesContaining("evil\\n[2026"), 1);
        for (const QByteArray& line : logLines())
            QVERIFY2(!line.startsWith("[2026-01-01"), line.constData());
    }

    void cleanupTestCase()
    {
        if (m_pComm)
            m_pComm->uninit();
        m_core.stop();
    }

    void init() { m_events.clear(); }

    void deepMessagesAreDroppedAndTheLinkRunsOn()
    {
        // 1,001 levels is one past the JSON parser's own default limit,
        // 100,000 would exhaust the stack of a parser without one.
        m_core.sendEvent(HostileCore::message(nested(1001)));
        m_core.sendEvent(HostileCore::message(nested(100000)));
        m_core.sendEvent(HostileCore::message(R"({"state": )" + std::string(31, '[') + R"("ok")"
                                              + std::string(31, ']') + "}"));
        m_core.sendEvent(HostileCore::message(R"({"state": "after"})"));
        QTRY_COMPARE_WITH_TIMEOUT(int(m_events.messages().size()), 2, 10000);
        const std::vector<Json::Value> messages = m_events.messages();
        // A plausible depth still passes, whole.
        const Json::Value* pInner = &messages[0]["state"];
        for (int i = 0; i < 31; ++i)
            pInner = &(*pInner)[Json::ArrayIndex(0)];
        QCOMPARE(pInner->asString(), std::string("ok"));
        QCOMPARE(messages[1]["state"].asString(), std::string("after"));
        QVERIFY(linesContaining("core message dropped") >= 1);
        QVERIFY(frameStillArrives(1001));
    }

    // Text that is not UTF-8 is the core's business: it must not cost the
    // messages that follow it (a stream that breaks loses what is in flight).
    void textThatIsNotUtf8KeepsTheStream()
    {
        m_core.sendEvent(HostileCore::message("{\"state\": \"\xff\xfe\xc3\"}"));
        kelvora::core::Event result;
        result.mutable_result()->set_identifier(5);
        result.mutable_result()->set_text("\xc3\x28 bad\n");
        m_core.sendEvent(result);
        m_core.sendEvent(HostileCore::message(R"({"state": "next"})"));
        QTRY_COMPARE_WITH_TIMEOUT(int(m_events.messages().size()), 2, 10000);
        QCOMPARE(m_events.messages()[0]["state"].asString(), std::string("\xff\xfe\xc3"));
        QCOMPARE(m_events.messages()[1]["state"].asString(), std::string("next"));
        QCOMPARE(linesContaining("event stream ended"), 0);
    }

    void throwingCallbacksDoNotEndTheLink()
    {
        m_pComm->setMessageCallback([this](E_Message_Type type, const Json::Value& message) {
            if (message.isMember("throw"))
                throw std::runtime_error("receiver failed");
            if (message.isMember("throw42"))
                throw 42;
            m_events.messageCallback()(type, message);
        });
        m_pComm->camera()->setFrameCallback([this](const std::shared_ptr<VexaImage>& pImage) {
            if (pImage->getIdentifier() == 666)
                throw std::bad_alloc();
            m_frames.callback()(pImage);
        });
        m_core.sendEvent(HostileCore::message(R"({"throw": 1})"));
        m_core.sendEvent(HostileCore::message(R"({"throw42": 1})"));
        m_core.sendFrame(HostileCore::frame(8, 4, kelvora::core::PIXEL_GRAY, 1, 666));
        m_core.sendEvent(HostileCore::message(R"({"state": "survived"})"));
        QTRY_COMPARE_WITH_TIMEOUT(int(m_events.messages().size()), 1, 10000);
        QCOMPARE(m_events.messages()[0]["state"].asString(), std::string("survived"));
        QVERIFY(frameStillArrives(667));
        QVERIFY(linesContaining("a callback threw") >= 1);
        m_pComm->setMessageCallback(m_events.messageCallback());
        m_pComm->camera()->setFrameCallback(m_frames.callback());
    }

    void coreErrorTextIsOneEscapedLogLine()
    {
        const std::string strForged = std::string(
                                          "no camera\n[2026-01-01 00:00:00.000] [vision_core_client] ")
            + "[info] [1] forged\r\n\x1b[31mred\x07 bell \xc2\x85 next line \xe2\x80\xa8 separator \x01 end";
        m_core.failCalls(grpc::StatusCode::INTERNAL, strForged);
        const int nBefore = logLines().size();
        QCOMPARE(m_pComm->camera()->takePhoto(), int(grpc::StatusCode::INTERNAL));
        m_core.failCalls(grpc::StatusCode::OK, std::string());
        const QByteArrayList lines = logLines().mid(nBefore);
        QCOMPARE(lines.size(), 1);
        const QByteArray& line = lines[0];
        QVERIFY(line.contains("takePhoto failed: no camera\\n[2026-01-01"));
        QVERIFY(line.contains(
            "forged\\r\\n\\x1b[31mred\\x07 bell \\xc2\\x85 next line \\xe2\\x80\\xa8 separator \\x01 end"));
        for (char c : line)
            QVERIFY2(static_cast<unsigned char>(c) >= 0x20 && c != 0x7f, line.constData());
        QCOMPARE(m_pComm->camera()->takePhoto(), 0);
    }

    void malformedFramesAreCountedAndReported()
    {
        HostileCore::Frame shortFrame = HostileCore::frame(16, 8, kelvora::core::PIXEL_BGR, 3, 70);
        shortFrame.mutable_data()->resize(16 * 8 * 3 - 1);
        HostileCore::Frame unknownType = HostileCore::frame(16, 8, kelvora::core::PIXEL_GRAY, 3, 71);
        unknownType.set_type(static_cast<kelvora::core::PixelType>(7));
        m_core.sendFrame(shortFrame);
        m_core.sendFrame(unknownType);
        QVERIFY(frameStillArrives(72));
        const auto rejected = m_events.rejected();
        QCOMPARE(int(rejected.size()), 2);
        QCOMPARE(rejected[1].first, rejected[0].first + 1);
        QVERIFY(QByteArray::fromStdString(rejected[0].second).contains("do not match"));
        QVERIFY(QByteArray::fromStdString(rejected[1].second).contains("unknown pixel type 7"));

        // A flood of refused frames logs a line at most once a second.
        const int nLinesBefore = linesContaining("frame dropped");
        QElapsedTimer timer;
        timer.start();
        m_core.sendFrame(shortFrame, 3000);
        QVERIFY(frameStillArrives(73));
        QCOMPARE(m_events.rejected().back().first, rejected[1].first + 3000);
        const int nNewLines = linesContaining("frame dropped") - nLinesBefore;
        QVERIFY2(nNewLines <= 1 + timer.elapsed() / 1000, qPrintable(QString::number(nNewLines)));
    }

    // The core's running count of frames it left out of this stream, per camera:
    // each camera's callback hears its own camera's total when it grew, the
    // camera naming none hears those of cameras without a callback, and a frame
    // refused as malformed still tells its count.
    void framesTheCoreLeftOutAreToldPerCamera()
    {
        std::mutex mutex;
        std::vector<std::uint64_t> totalsA;
        std::vector<std::uint64_t> totalsOthers;
        m_pComm->camera("A")->setSkippedFramesCallback([&](std::uint64_t nTotal) {
            std::lock_guard<std::mutex> lock(mutex);
            totalsA.push_back(nTotal);
        });
        m_pComm->camera()->setSkippedFramesCallback([&](std::uint64_t nTotal) {
            std::lock_guard<std::mutex> lock(mutex);
            totalsOthers.push_back(nTotal);
        });
        auto frameOf = [](const char* pCamera, std::uint64_t nIdentifier, std::uint64_t nSkipped) {
            HostileCore::Frame frame = HostileCore::frame(8, 4, kelvora::core::PIXEL_GRAY, 2, nIdentifier);
            frame.set_camera(pCamera);
            frame.set_skipped(nSkipped);
            return frame;
        };
        const size_t nBefore = m_frames.count();
        m_core.sendFrame(frameOf("A", 80, 3));
        m_core.sendFrame(frameOf("A", 81, 0));
        m_core.sendFrame(frameOf("A", 82, 5));
        m_core.sendFrame(frameOf("B", 83, 2));
        m_core.sendFrame(frameOf("A", 84, 5));
        HostileCore::Frame malformed = frameOf("A", 85, 7);
        malformed.mutable_data()->resize(3);
        m_core.sendFrame(malformed);
        m_core.sendFrame(frameOf("", 86, 0));
        // Five frames whole, the malformed one refused.
        QVERIFY(m_frames.waitFor(nBefore + 6, 10s));
        QCOMPARE(m_frames.frame(nBefore + 5)->getIdentifier(), std::uint64_t(86));
        m_pComm->camera("A")->setSkippedFramesCallback(SkippedFramesCallback());
        m_pComm->camera()->setSkippedFramesCallback(SkippedFramesCallback());
        std::lock_guard<std::mutex> lock(mutex);
        QCOMPARE(totalsA, (std::vector<std::uint64_t>{3, 5, 7}));
        QCOMPARE(totalsOthers, (std::vector<std::uint64_t>{2}));
        QVERIFY(linesContaining("left 3 frames of camera 'A' out of the stream, 3 so far") == 1);
    }

    // The camera's ranges tell its frame size: a larger frame is refused, counted and
    // reported, and the stream goes on. A core that tells none again lifts it.
    void frameLargerThanItsCameraToldIsRefused()
    {
        m_core.setFrameBytes(8 * 4);
        CameraInfo info;
        QCOMPARE(m_pComm->camera()->getCameraInfo(&info), 0);
        m_core.sendFrame(HostileCore::frame(16, 8, kelvora::core::PIXEL_GRAY, 3, 80));
        QVERIFY(frameStillArrives(81));
        const auto rejected = m_events.rejected();
        QCOMPARE(int(rejected.size()), 1);
        QVERIFY2(rejected[0].second.find("holds 128 bytes, more than the 32 bytes the camera announced")
                     != std::string::npos,
                 rejected[0].second.c_str());

        m_core.setFrameBytes(0);
        QCOMPARE(m_pComm->camera()->getCameraInfo(&info), 0);
        const size_t nBefore = m_frames.count();
        m_core.sendFrame(HostileCore::frame(16, 8, kelvora::core::PIXEL_GRAY, 3, 82));
        QVERIFY(m_frames.waitFor(nBefore + 1, 10s));
        QCOMPARE(m_frames.frame(nBefore)->getIdentifier(), std::uint64_t(82));
        QCOMPARE(int(m_events.rejected().size()), 1);
    }
};

QTEST_GUILESS_MAIN(TestCorelinkHostile)
#include "tst_corelink_hostile.moc"
