// Large sensors through the real link: a 5120x5120 Bayer frame converted
// from a buffer built here arrives whole; a frame over the link's limit is
// refused with a status line and the stream goes on.
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
        pRanges->set_width(5120);
        pRanges->set_height(5120);
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
    FrameBroadcast* m_pFrames = nullptr;
    EventBroadcast* m_pEvents = nullptr;
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
    bool waitForError(const std::string& strPart, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_arrived.wait_for(lock, timeout, [&] {
            for (const auto& strError : m_errors)
                if (strError.find(strPart) != std::string::npos)
                    return true;
            return false;
        });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::string> m_errors;
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

    std::shared_ptr<CCommBase> pComm = CCommFactoryRPC::instance().create(1);
    QVERIFY(pComm);
    FrameCollector frames;
    Messages messages;
    std::mutex linkMutex;
    int nLinkDowns = 0;
    pComm->setLinkCallback([&](bool bUp) {
        std::lock_guard<std::mutex> lock(linkMutex);
        if (!bUp)
            ++nLinkDowns;
    });
    Json::Value settings;
    settings["rpc"]["ip"] = "127.0.0.1:" + std::to_string(server.port());
    QCOMPARE(pComm->init(settings), 0);
    pComm->camera()->setFrameCallback(frames.callback());
    pComm->setMessageCallback(messages.callback());
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
    {
        std::lock_guard<std::mutex> lock(linkMutex);
        QCOMPARE(nLinkDowns, 0);
    }
    pComm->uninit();
    server.stop();
    server.wait();
}

QTEST_GUILESS_MAIN(TestLargeFrames)
#include "tst_large_frames.moc"
