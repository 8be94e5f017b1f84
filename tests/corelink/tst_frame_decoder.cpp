// Decoding of received frames: geometry checks and exact pixel bytes, also
// when a message arrives in several slices or with its fields reordered.

#include <QtTest>

#include "TestSuite.h"

#include <grpcpp/support/byte_buffer.h>

#include "FrameDecoder.h"
#include "common/vexa_image.h"
#include "vision_core.pb.h"

namespace {

kelvora::core::Frame makeFrame(int nWidth, int nHeight, kelvora::core::PixelType type, int nStep)
{
    kelvora::core::Frame frame;
    frame.set_identifier(77);
    frame.set_width(nWidth);
    frame.set_height(nHeight);
    frame.set_type(type);
    frame.set_width_step(nStep);
    std::string strData(size_t(nStep) * size_t(nHeight), '\0');
    for (size_t i = 0; i < strData.size(); ++i)
        strData[i] = char(i * 7 + 3);
    frame.set_data(strData);
    return frame;
}

// The bytes cut into nParts slices, as the transport may deliver them.
grpc::ByteBuffer toBuffer(const std::string& strBytes, int nParts = 1)
{
    std::vector<grpc::Slice> slices;
    const size_t nPart = strBytes.size() / size_t(nParts) + 1;
    for (size_t nPos = 0; nPos < strBytes.size(); nPos += nPart)
        slices.emplace_back(strBytes.substr(nPos, nPart));
    return grpc::ByteBuffer(slices.data(), slices.size());
}

std::shared_ptr<VexaImage> decode(const std::string& strBytes, int nParts = 1)
{
    grpc::ByteBuffer buffer = toBuffer(strBytes, nParts);
    std::string strError;
    auto pImage = decodeFrame(buffer, &strError);
    if (!pImage && strError.empty())
        qWarning("refused without a reason");
    if (!pImage)
        qInfo("refused: %s", strError.c_str());
    return pImage;
}

} // namespace

class TestFrameDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodesExactPixels();
    void refusesInconsistentFrames();
};

void TestFrameDecoder::decodesExactPixels()
{
    // Grey with padded rows, cut into slices that split rows and fields.
    const auto frame = makeFrame(5, 3, kelvora::core::PIXEL_GRAY, 8);
    for (int nParts : {1, 3, 7}) {
        const auto pImage = decode(frame.SerializeAsString(), nParts);
        QVERIFY(pImage);
        QCOMPARE(pImage->getIdentifier(), uint64_t(77));
        QCOMPARE(pImage->width(), 5);
        QCOMPARE(pImage->height(), 3);
        QCOMPARE(pImage->type(), int(VexaImage::IMAGE_GRAY));
        QCOMPARE(pImage->widthStep(), 8);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(pImage->data()), 24),
                 QByteArray::fromStdString(frame.data()));
    }

    // Pixels before the geometry, and a field this client does not know.
    const auto bgr = makeFrame(4, 2, kelvora::core::PIXEL_BGR, 12);
    kelvora::core::Frame pixelsOnly;
    pixelsOnly.set_data(bgr.data());
    kelvora::core::Frame geometryOnly = bgr;
    geometryOnly.clear_data();
    geometryOnly.GetReflection()->MutableUnknownFields(&geometryOnly)->AddVarint(9, 5);
    const auto pImage = decode(pixelsOnly.SerializeAsString() + geometryOnly.SerializeAsString(), 2);
    QVERIFY(pImage);
    QCOMPARE(pImage->channels(), 3);
    QCOMPARE(pImage->getIdentifier(), uint64_t(77));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(pImage->data()), 24),
             QByteArray::fromStdString(bgr.data()));
}

void TestFrameDecoder::refusesInconsistentFrames()
{
    auto frame = makeFrame(4, 4, kelvora::core::PIXEL_BGR, 12);

    auto shortData = frame;
    shortData.mutable_data()->pop_back();
    QVERIFY(!decode(shortData.SerializeAsString()));

    auto narrowStep = makeFrame(4, 4, kelvora::core::PIXEL_BGR, 11);
    QVERIFY(!decode(narrowStep.SerializeAsString()));

    auto badType = frame;
    badType.set_type(kelvora::core::PixelType(9));
    QVERIFY(!decode(badType.SerializeAsString()));

    auto negative = frame;
    negative.set_width(-4);
    QVERIFY(!decode(negative.SerializeAsString()));

    auto noPixels = frame;
    noPixels.clear_data();
    QVERIFY(!decode(noPixels.SerializeAsString()));

    // A huge announced size must be refused before anything is allocated.
    auto huge = frame;
    huge.set_width(60000);
    huge.set_height(60000);
    huge.set_width_step(180000);
    QVERIFY(!decode(huge.SerializeAsString()));

    const std::string strBytes = frame.SerializeAsString();
    QVERIFY(!decode(strBytes.substr(0, strBytes.size() - 5), 2));
    QVERIFY(!decode(strBytes + "\xff"));
    QVERIFY(decode(strBytes));
}

KELVORA_TEST_GUILESS_MAIN(TestFrameDecoder)
#include "tst_frame_decoder.moc"
