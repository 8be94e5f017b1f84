// The send-time stamp of vision-core-sim: its pixel layout, and frames of a
// core started with and without --stamp-time as a client receives them.
#include "server/FrameStamp.h"
#include "server/CoreOptions.h"
#include "server/CoreServer.h"
#include "sim/SimCamera.h"
#include "vision_core.grpc.pb.h"

#include <grpcpp/grpcpp.h>

#include <QtTest>

namespace {

// The stamp's byte values as a reader sees them: one channel of each pixel.
bool stampOf(const kelvora::core::Frame& frame, int64_t* pNanoseconds)
{
    const int nChannels = frame.type() == kelvora::core::PIXEL_GRAY ? 1 : 3;
    unsigned char values[FrameStamp::kPixels];
    for (int x = 0; x < FrameStamp::kPixels; ++x)
        values[x] = static_cast<unsigned char>(frame.data()[size_t(x * nChannels + nChannels - 1)]);
    return FrameStamp::read(values, pNanoseconds);
}

// One photo from a core with the given options, as its stream delivers it.
kelvora::core::Frame photoFrom(CoreOptions options, bool* pOk)
{
    *pOk = false;
    options.strListen = QStringLiteral("127.0.0.1:0");
    CoreServer server(options, std::make_unique<SimCamera>(options));
    QString strError;
    if (!server.start(&strError))
        return {};
    grpc::ChannelArguments args;
    args.SetMaxReceiveMessageSize(64 * 1024 * 1024);
    auto pStub = kelvora::core::VisionCore::NewStub(grpc::CreateCustomChannel(
        "127.0.0.1:" + std::to_string(server.port()), grpc::InsecureChannelCredentials(), args));
    grpc::ClientContext streamContext;
    streamContext.set_deadline(std::chrono::system_clock::now() + std::chrono::seconds(10));
    auto pReader = pStub->SubscribeFrames(&streamContext, kelvora::core::SubscribeRequest());
    pReader->WaitForInitialMetadata();
    grpc::ClientContext commandContext;
    kelvora::core::CommandRequest request;
    request.set_kind(kelvora::core::COMMAND_TAKE_PHOTO);
    kelvora::core::Empty reply;
    kelvora::core::Frame frame;
    *pOk = pStub->Command(&commandContext, request, &reply).ok() && pReader->Read(&frame);
    streamContext.TryCancel();
    pReader->Finish();
    server.stop();
    server.wait();
    return frame;
}

} // namespace

class TestFrameStamp : public QObject
{
    Q_OBJECT
private slots:
    void layout();
    void stampedStream();
};

void TestFrameStamp::layout()
{
    // Three channels: every channel of a stamp pixel holds the same byte.
    unsigned char row[16 * 3];
    std::memset(row, 7, sizeof(row));
    const int64_t nTime = 0x0102030405060708LL;
    QVERIFY(FrameStamp::write(row, 16, 3, nTime));
    unsigned char values[FrameStamp::kPixels];
    for (int x = 0; x < FrameStamp::kPixels; ++x) {
        QCOMPARE(row[x * 3], row[x * 3 + 2]);
        values[x] = row[x * 3 + 1];
    }
    int64_t nRead = 0;
    QVERIFY(FrameStamp::read(values, &nRead));
    QCOMPARE(nRead, nTime);
    // The pixels after the stamp are untouched.
    QCOMPARE(int(row[FrameStamp::kPixels * 3]), 7);

    // Too narrow a row is refused and left alone; a row without the marker reads as no stamp.
    unsigned char narrow[11];
    std::memset(narrow, 9, sizeof(narrow));
    QVERIFY(!FrameStamp::write(narrow, 11, 1, nTime));
    QCOMPARE(int(narrow[0]), 9);
    std::memset(values, 0, sizeof(values));
    QVERIFY(!FrameStamp::read(values, &nRead));
}

void TestFrameStamp::stampedStream()
{
    CoreOptions options;
    options.nWidth = 64;
    options.nHeight = 32;
    options.bStampTime = true;
    const int64_t nBefore = FrameStamp::now();
    bool bOk = false;
    const kelvora::core::Frame stamped = photoFrom(options, &bOk);
    const int64_t nAfter = FrameStamp::now();
    QVERIFY(bOk);
    int64_t nSent = 0;
    QVERIFY(stampOf(stamped, &nSent));
    QVERIFY(nSent >= nBefore && nSent <= nAfter);

    // Without the option the frame is the plain scene.
    options.bStampTime = false;
    const kelvora::core::Frame plain = photoFrom(options, &bOk);
    QVERIFY(bOk);
    QVERIFY(!stampOf(plain, &nSent));
    // Only the stamp's pixels differ between the two.
    QCOMPARE(plain.data().size(), stamped.data().size());
    QCOMPARE(plain.data().substr(FrameStamp::kPixels * 3), stamped.data().substr(FrameStamp::kPixels * 3));

    // The command line switches it on.
    CoreOptions parsed;
    QString strError;
    QVERIFY(CoreOptions::parse({"vision-core-sim", "--stamp-time"}, &parsed, &strError));
    QVERIFY(parsed.bStampTime);
    QVERIFY(CoreOptions::parse({"vision-core-sim"}, &parsed, &strError));
    QVERIFY(!parsed.bStampTime);
}

QTEST_GUILESS_MAIN(TestFrameStamp)
#include "tst_frame_stamp.moc"
