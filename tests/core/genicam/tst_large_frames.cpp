// Large sensors through the real link: a 5120x5120 Bayer frame converted
// from a buffer built here arrives whole; a frame over the link's limit is
// refused with a status line and the stream goes on. The limit follows the
// largest camera the client has open, and the client holds each camera's
// frames to the size the camera told.
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

#include <QtTest>

#include "FrameCollector.h"
#include "corelink/CCommFactoryRPC.h"
#include "genicam/PixelConverter.h"
#include "server/CoreOptions.h"
#include "server/CoreServer.h"

using namespace std::chrono_literals;

namespace {

// A camera that publishes what the test hands it.
class ScriptedCamera final : public CameraBackend
{
public:
    ScriptedCamera(int nWidth = 5120, int nHeight = 5120, int nChannels = 3)
        : m_nWidth(nWidth)
        , m_nHeight(nHeight)
        , m_nChannels(nChannels)
    {
    }
    bool start(FrameBroadcast& frames, EventBroadcast& events, QString*) override
    {
        m_pFrames = &frames;
        m_pEvents = &events;
        return true;
    }
    void stop() override {}
    std::string describe() const override { return "scripted camera"; }
    grpc::Status ranges(kelvora::core::CameraRanges* pRanges) override
    {
        pRanges->set_width(m_nWidth);
        pRanges->set_height(m_nHeight);
        pRanges->set_frame_bytes(uint64_t(m_nWidth) * uint64_t(m_nHeight) * uint64_t(m_nChannels));
        return grpc::Status::OK;
    }
    grpc::Status setParam(const kelvora::core::ParamValue&) override { return grpc::Status::OK; }
    grpc::Status getParam(kelvora::core::Param param, kelvora::core::ParamValue* pValue) override
    {
        pValue->set_param(param);
        return grpc::Status::OK;
    }
    grpc::Status command(kelvora::core::CommandKind) override { return grpc::Status::OK; }

    // Both streams of a client are subscribed.
    bool waitForClient()
    {
        return m_pFrames->waitForRoom(std::chrono::seconds(20))
            && m_pEvents->waitForRoom(std::chrono::seconds(20));
    }
    void publish(std::shared_ptr<kelvora::core::Frame> pFrame)
    {
        m_pFrames->waitForRoom(std::chrono::seconds(20));
        m_pFrames->publish(std::move(pFrame));
    }

private:
    const int m_nWidth;
    const int m_nHeight;
    const int m_nChannels;
    FrameBroadcast* m_pFrames = nullptr;
    EventBroadcast* m_pEvents = nullptr;
};

std::shared_ptr<kelvora::core::Frame> greyFrame(int nWidth, int nHeight, uint64_t nIdentifier)
{
    auto pFrame = std::make_shared<kelvora::core::Frame>();
    pFrame->set_width(nWidth);
    pFrame->set_height(nHeight);
    pFrame->set_width_step(nWidth);
    pFrame->set_type(kelvora::core::PIXEL_GRAY);
    pFrame->set_identifier(nIdentifier);
    pFrame->mutable_data()->assign(size_t(nWidth) * size_t(nHeight), char(5));
    return pFrame;
}

// The frames the client refused, with their reasons.
class Rejections
{
public:
    RejectedFrameCallback callback()
    {
        return [this](std::uint64_t nTotal, const std::string& strReason) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_nTotal = nTotal;
            m_strLast = strReason;
            m_arrived.notify_all();
        };
    }
    bool waitFor(std::uint64_t nTotal, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] { return m_nTotal >= nTotal; });
    }
    std::uint64_t total()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_nTotal;
    }
    std::string last()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_strLast;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::uint64_t m_nTotal = 0;
    std::string m_strLast;
};

class Messages
{
public:
    MessageCallback callback()
    {
        return [this](E_Message_Type, const Json::Value& json) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (json.isMember("error") && json["error"].isString())
                m_errors.push_back(json["error"].asString());
            m_arrived.notify_all();
        };
    }
    // An error containing the text among those from the nFrom-th on.
    bool waitForError(const std::string& strPart, std::chrono::milliseconds timeout, size_t nFrom = 0)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] {
            for (size_t i = nFrom; i < m_errors.size(); ++i)
                if (m_errors[i].find(strPart) != std::string::npos)
                    return true;
            return false;
        });
    }
    size_t errors()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_errors.size();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::string> m_errors;
};

// A client of the core with its messages, counting the times its link went down.
struct Client
{
    std::shared_ptr<CCommBase> pComm = CCommFactoryRPC::instance().create(1);
    Messages messages;
    std::atomic<int> nLinkDowns{0};

    bool connect(int nPort)
    {
        if (!pComm)
            return false;
        pComm->setLinkCallback([this](bool bUp) {
            if (!bUp)
                ++nLinkDowns;
        });
        Json::Value settings;
        settings["rpc"]["ip"] = "127.0.0.1:" + std::to_string(nPort);
        if (pComm->init(settings) != 0)
            return false;
        pComm->setMessageCallback(messages.callback());
        return true;
    }
};

// Four colour blocks in an RGGB mosaic of 12 bits, packed as GigE Vision
// cameras send BayerRG12Packed.
std::vector<uint8_t> packedMosaic(int nWidth, int nHeight)
{
    auto value = [&](int x, int y) -> unsigned {
        const bool bRight = x >= nWidth / 2;
        const bool bLower = y >= nHeight / 2;
        // BGR of each block.
        const unsigned colours[4][3] = {{0, 0, 200}, {0, 180, 0}, {220, 0, 0}, {40, 120, 160}};
        const unsigned* pColour = colours[(bLower ? 2 : 0) + (bRight ? 1 : 0)];
        const int nChannel = (y % 2 == 0) ? (x % 2 == 0 ? 2 : 1) : (x % 2 == 0 ? 1 : 0);
        return (pColour[nChannel] << 4) | 0x9u;
    };
    std::vector<uint8_t> raw;
    raw.reserve(size_t(nWidth) * size_t(nHeight) * 3 / 2);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; x += 2) {
            const unsigned v0 = value(x, y);
            const unsigned v1 = value(x + 1, y);
            raw.push_back(uint8_t(v0 >> 4));
            raw.push_back(uint8_t((v0 & 0xF) | ((v1 & 0xF) << 4)));
            raw.push_back(uint8_t(v1 >> 4));
        }
    return raw;
}

} // namespace

class TestLargeFrames : public QObject
{
    Q_OBJECT

private slots:
    void largeBayerFrameArrivesWholeAndOversizedOneIsRefused();
    void limitFollowsTheLargestOpenCameraAndTheClientHoldsEachToItsSize();
};

void TestLargeFrames::largeBayerFrameArrivesWholeAndOversizedOneIsRefused()
{
    CoreOptions options;
    options.strListen = QStringLiteral("127.0.0.1:0");
    auto pOwned = std::make_unique<ScriptedCamera>();
    ScriptedCamera* pCamera = pOwned.get();
    CoreServer server(options, std::move(pOwned));
    QString strError;
    QVERIFY2(server.start(&strError), qPrintable(strError));

    Client client;
    QVERIFY(client.connect(server.port()));
    const std::shared_ptr<CCommBase>& pComm = client.pComm;
    Messages& messages = client.messages;
    FrameCollector frames;
    pComm->camera()->setFrameCallback(frames.callback());
    QVERIFY(pCamera->waitForClient());

    const int nSide = 5120;
    const std::vector<uint8_t> raw = packedMosaic(nSide, nSide);
    QCOMPARE(raw.size(), PixelConverter::imageBytes(PixelConverter::BayerRG12Packed, nSide, nSide));
    auto pLarge = std::make_shared<kelvora::core::Frame>();
    std::string strConversion;
    QVERIFY2(PixelConverter::convert(PixelConverter::BayerRG12Packed, "BayerRG12Packed", nSide, nSide,
                                     raw.data(), raw.size(), pLarge.get(), &strConversion),
             strConversion.c_str());
    pLarge->set_identifier(1);
    QCOMPARE(pLarge->data().size(), size_t(nSide) * nSide * 3);
    const std::string strSent = pLarge->data();
    pCamera->publish(pLarge);
    QVERIFY(frames.waitFor(1, 60s));
    const auto pImage = frames.frame(0);
    QCOMPARE(pImage->width(), nSide);
    QCOMPARE(pImage->height(), nSide);
    QCOMPARE(pImage->channels(), 3);
    for (int y = 0; y < nSide; ++y)
        if (std::memcmp(pImage->data() + size_t(y) * size_t(pImage->widthStep()),
                        strSent.data() + size_t(y) * size_t(nSide) * 3, size_t(nSide) * 3)
            != 0)
            QFAIL(qPrintable(QStringLiteral("row %1 differs from the frame sent").arg(y)));
    // The blocks' colours, away from their edges.
    const unsigned char* pRed = pImage->data() + size_t(100) * size_t(pImage->widthStep()) + 100 * 3;
    QVERIFY(pRed[2] > 190 && pRed[0] < 10 && pRed[1] < 10);

    // Grey, 10240 x 10240: over the limit. Refused with its status, and the
    // stream carries the next frame.
    auto pHuge = std::make_shared<kelvora::core::Frame>();
    pHuge->set_width(10240);
    pHuge->set_height(10240);
    pHuge->set_width_step(10240);
    pHuge->set_type(kelvora::core::PIXEL_GRAY);
    pHuge->set_identifier(2);
    pHuge->mutable_data()->assign(size_t(10240) * 10240, char(7));
    QVERIFY(qint64(pHuge->data().size()) > CoreOptions::kMaxFrameBytes);
    pCamera->publish(pHuge);
    QVERIFY(messages.waitForError("exceeds the link's limit", 30s));

    auto pSmall = std::make_shared<kelvora::core::Frame>();
    pSmall->set_width(64);
    pSmall->set_height(48);
    pSmall->set_width_step(64);
    pSmall->set_type(kelvora::core::PIXEL_GRAY);
    pSmall->set_identifier(3);
    pSmall->mutable_data()->assign(size_t(64) * 48, char(9));
    pCamera->publish(pSmall);
    QVERIFY(frames.waitFor(2, 30s));
    QCOMPARE(frames.frame(1)->width(), 64);
    QCOMPARE(frames.frame(1)->getIdentifier(), std::uint64_t(3));
    QCOMPARE(frames.count(), size_t(2));
    QCOMPARE(client.nLinkDowns.load(), 0);
    pComm->uninit();
    server.stop();
    server.wait();
}

void TestLargeFrames::limitFollowsTheLargestOpenCameraAndTheClientHoldsEachToItsSize()
{
    CoreOptions options;
    options.strListen = QStringLiteral("127.0.0.1:0");
    CoreServer server(options);
    // 64x48 grey: 3072 bytes a frame; 512x512 colour: 786432.
    auto pSmallOwned = std::make_unique<ScriptedCamera>(64, 48, 1);
    auto pLargeOwned = std::make_unique<ScriptedCamera>(512, 512, 3);
    ScriptedCamera* pSmall = pSmallOwned.get();
    ScriptedCamera* pLarge = pLargeOwned.get();
    CameraDescriptor small;
    small.strId = "small";
    small.strInterface = "simulated";
    CameraDescriptor large = small;
    large.strId = "large";
    QString strError;
    QVERIFY(server.cameras().add(small, std::move(pSmallOwned), true, &strError));
    QVERIFY(server.cameras().add(large, std::move(pLargeOwned), true, &strError));
    QVERIFY2(server.start(&strError), qPrintable(strError));

    Client client;
    QVERIFY(client.connect(server.port()));
    FrameCollector smallFrames;
    FrameCollector largeFrames;
    Rejections rejections;
    client.pComm->camera("small")->setFrameCallback(smallFrames.callback());
    client.pComm->camera("small")->setRejectedFrameCallback(rejections.callback());
    client.pComm->camera("large")->setFrameCallback(largeFrames.callback());
    QCOMPARE(client.pComm->openCamera("small"), 0);
    QVERIFY(pSmall->waitForClient());

    // The core says so at most once a second: a refusal is sent again until its
    // line with the limit expected comes.
    uint64_t nIdentifier = 0;
    const auto refusedByTheCore = [&](ScriptedCamera* pCamera, int nWidth, int nHeight,
                                      const std::string& strLimit) {
        const size_t nFrom = client.messages.errors();
        for (int i = 0; i < 40; ++i) {
            pCamera->publish(greyFrame(nWidth, nHeight, ++nIdentifier));
            if (client.messages.waitForError("exceeds the link's limit of " + strLimit + " bytes", 1500ms,
                                             nFrom))
                return true;
        }
        return false;
    };

    // Only the small camera open: a frame over its 3072 bytes is refused by the
    // core, and the next frame of its size arrives on the same stream.
    QVERIFY(refusedByTheCore(pSmall, 128, 96, "3072"));
    pSmall->publish(greyFrame(64, 48, ++nIdentifier));
    QVERIFY(smallFrames.waitFor(1, 30s));
    QCOMPARE(smallFrames.frame(0)->getIdentifier(), nIdentifier);
    QCOMPARE(rejections.total(), std::uint64_t(0));

    // The large camera opened: the link's limit rises to its frame.
    QCOMPARE(client.pComm->openCamera("large"), 0);
    QVERIFY(pLarge->waitForClient());
    QVERIFY(refusedByTheCore(pSmall, 1024, 1024, "786432"));
    auto pColour = std::make_shared<kelvora::core::Frame>();
    pColour->set_width(512);
    pColour->set_height(512);
    pColour->set_width_step(512 * 3);
    pColour->set_type(kelvora::core::PIXEL_BGR);
    pColour->set_identifier(++nIdentifier);
    pColour->mutable_data()->assign(size_t(512) * 512 * 3, char(11));
    pLarge->publish(pColour);
    QVERIFY(largeFrames.waitFor(1, 30s));
    QCOMPARE(largeFrames.frame(0)->width(), 512);
    // The core now lets the small camera's 12288 bytes through; the client holds
    // them to what that camera told, refuses and counts them, and the stream goes on.
    pSmall->publish(greyFrame(128, 96, ++nIdentifier));
    QVERIFY(rejections.waitFor(1, 30s));
    QVERIFY2(rejections.last().find("more than the 3072 bytes the camera announced") != std::string::npos,
             rejections.last().c_str());
    pSmall->publish(greyFrame(64, 48, ++nIdentifier));
    QVERIFY(smallFrames.waitFor(2, 30s));
    QCOMPARE(smallFrames.frame(1)->getIdentifier(), nIdentifier);

    // The large camera closed: the limit falls back to the small camera's frame.
    QCOMPARE(client.pComm->closeCamera("large"), 0);
    QVERIFY(refusedByTheCore(pSmall, 128, 96, "3072"));
    pSmall->publish(greyFrame(64, 48, ++nIdentifier));
    QVERIFY(smallFrames.waitFor(3, 30s));
    QCOMPARE(smallFrames.frame(2)->getIdentifier(), nIdentifier);
    QCOMPARE(smallFrames.count(), size_t(3));
    QCOMPARE(rejections.total(), std::uint64_t(1));
    QCOMPARE(client.nLinkDowns.load(), 0);
    client.pComm->uninit();
    server.stop();
    server.wait();
}

QTEST_GUILESS_MAIN(TestLargeFrames)
#include "tst_large_frames.moc"
