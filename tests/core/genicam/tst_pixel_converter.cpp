// Camera pixel formats turned into frames of the link, on buffers built here,
// and the frame accounting with its wrapping camera ids.

#include <cstring>
#include <vector>

#include <QtTest>

#include "genicam/FrameCounter.h"
#include "genicam/PixelConverter.h"

using PixelConverter::Format;

namespace {

struct Bgr
{
    uint8_t b, g, r;
};

// Four colour blocks, each wide enough that a demosaic's interior is exact.
Bgr sceneColour(int x, int y, int nWidth, int nHeight)
{
    const bool bRight = x >= nWidth / 2;
    const bool bLower = y >= nHeight / 2;
    if (!bRight && !bLower)
        return {0, 0, 200}; // red
    if (bRight && !bLower)
        return {0, 180, 0}; // green
    if (!bRight && bLower)
        return {220, 0, 0}; // blue
    return {40, 120, 160};  // a mixed colour
}

// The colour filter over pixel (x, y) of a layout named by its first row's
// first two pixels: 0 blue, 1 green, 2 red (BGR channel index).
int filterAt(const char* pLayout, int x, int y)
{
    // "RGGB", "GRBG", "GBRG", "BGGR": rows 0 and 1, two pixels each.
    const char c = pLayout[(y % 2) * 2 + (x % 2)];
    return c == 'B' ? 0 : c == 'G' ? 1 : 2;
}

std::vector<uint8_t> mosaic(const char* pLayout, int nWidth, int nHeight)
{
    std::vector<uint8_t> raw(size_t(nWidth) * size_t(nHeight));
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            const Bgr colour = sceneColour(x, y, nWidth, nHeight);
            const uint8_t channels[3] = {colour.b, colour.g, colour.r};
            raw[size_t(y) * size_t(nWidth) + size_t(x)] = channels[filterAt(pLayout, x, y)];
        }
    return raw;
}

const uint8_t* pixel(const kelvora::core::Frame& frame, int x, int y)
{
    return reinterpret_cast<const uint8_t*>(frame.data().data()) + size_t(y) * size_t(frame.width_step())
        + size_t(x) * (frame.type() == kelvora::core::PIXEL_GRAY ? 1 : 3);
}

// Packs values of the given depth as a camera sends them: "gv" the GigE
// Vision "Packed" layout (two pixels in three bytes, high bits outside, low
// bits in the middle byte's nibbles), "lsb" the PFNC "p" layout (a
// little-endian bit stream), "" 16-bit little-endian containers.
std::vector<uint8_t> pack(const std::string& strKind, int nBits, const std::vector<uint16_t>& values)
{
    std::vector<uint8_t> out;
    if (strKind == "gv") {
        const int nLow = nBits - 8;
        for (size_t i = 0; i < values.size(); i += 2) {
            const uint16_t v0 = values[i];
            const uint16_t v1 = i + 1 < values.size() ? values[i + 1] : 0;
            out.push_back(uint8_t(v0 >> nLow));
            out.push_back(uint8_t((v0 & ((1 << nLow) - 1)) | ((v1 & ((1 << nLow) - 1)) << 4)));
            if (i + 1 < values.size())
                out.push_back(uint8_t(v1 >> nLow));
        }
    } else if (strKind == "lsb") {
        out.assign((values.size() * size_t(nBits) + 7) / 8, 0);
        for (size_t i = 0; i < values.size(); ++i)
            for (int b = 0; b < nBits; ++b)
                if (values[i] & (1u << b)) {
                    const size_t nBit = i * size_t(nBits) + size_t(b);
                    out[nBit / 8] = uint8_t(out[nBit / 8] | (1u << (nBit % 8)));
                }
    } else {
        for (const uint16_t v : values) {
            out.push_back(uint8_t(v & 0xFF));
            out.push_back(uint8_t(v >> 8));
        }
    }
    return out;
}

// An 8-bit image widened to the given depth with noise in the low bits, so
// that only the top eight bits decide the result.
std::vector<uint16_t> widen(const std::vector<uint8_t>& narrow, int nBits)
{
    std::vector<uint16_t> wide(narrow.size());
    const int nLow = nBits - 8;
    for (size_t i = 0; i < narrow.size(); ++i)
        wide[i] = uint16_t((narrow[i] << nLow) | ((i * 7) & ((1u << nLow) - 1)));
    return wide;
}

bool sameScene(const kelvora::core::Frame& frame, int nWidth, int nHeight, QString* pWhy)
{
    for (int y = 4; y < nHeight - 4; ++y)
        for (int x = 4; x < nWidth - 4; ++x) {
            if (std::abs(x - nWidth / 2) < 4 || std::abs(y - nHeight / 2) < 4)
                continue;
            const Bgr expected = sceneColour(x, y, nWidth, nHeight);
            const uint8_t* p = pixel(frame, x, y);
            if (std::abs(p[0] - expected.b) > 2 || std::abs(p[1] - expected.g) > 2
                || std::abs(p[2] - expected.r) > 2) {
                *pWhy = QStringLiteral("pixel %1,%2 is %3,%4,%5, expected %6,%7,%8")
                            .arg(x)
                            .arg(y)
                            .arg(p[0])
                            .arg(p[1])
                            .arg(p[2])
                            .arg(expected.b)
                            .arg(expected.g)
                            .arg(expected.r);
                return false;
            }
        }
    return true;
}

} // namespace

class TestPixelConverter : public QObject
{
    Q_OBJECT

private slots:
    void monoFormatsScaleToEightBits_data();
    void monoFormatsScaleToEightBits();
    void colourFormatsArriveAsBgr();
    void bayerLayoutsDemosaicToTheSceneColours_data();
    void bayerLayoutsDemosaicToTheSceneColours();
    void packedMonoFormatsUnpackAndScale_data();
    void packedMonoFormatsUnpackAndScale();
    void packedLayoutsKeepTheirBytesApart();
    void deepBayerLayoutsDemosaicToTheSceneColours_data();
    void deepBayerLayoutsDemosaicToTheSceneColours();
    void bufferSizesFollowTheFormatsRealBytes();
    void otherFormatsAndShortBuffersAreRefusedByName();
    void frameIdsWrapIntoRisingIdentifiers();
    void accountingAddsUpAcrossStreams();
};

void TestPixelConverter::monoFormatsScaleToEightBits_data()
{
    QTest::addColumn<uint32_t>("format");
    QTest::addColumn<int>("bits");
    QTest::newRow("Mono10") << uint32_t(PixelConverter::Mono10) << 10;
    QTest::newRow("Mono12") << uint32_t(PixelConverter::Mono12) << 12;
    QTest::newRow("Mono16") << uint32_t(PixelConverter::Mono16) << 16;
}

void TestPixelConverter::monoFormatsScaleToEightBits()
{
    QFETCH(uint32_t, format);
    QFETCH(int, bits);
    const int nWidth = 37; // odd: no row padding may creep in
    const int nHeight = 5;
    const int nMax = (1 << bits) - 1;
    std::vector<uint16_t> raw(size_t(nWidth) * nHeight);
    for (size_t i = 0; i < raw.size(); ++i)
        raw[i] = uint16_t((i * 977) % size_t(nMax + 1));
    raw[0] = 0;
    raw[1] = uint16_t(nMax);
    // A value above the sensor's depth saturates instead of wrapping.
    if (bits < 16)
        raw[2] = uint16_t(nMax + 1);

    kelvora::core::Frame frame;
    std::string strError;
    QVERIFY2(PixelConverter::convert(format, "mono", nWidth, nHeight, raw.data(), raw.size() * 2, &frame,
                                     &strError),
             strError.c_str());
    QCOMPARE(frame.type(), kelvora::core::PIXEL_GRAY);
    QCOMPARE(frame.width(), nWidth);
    QCOMPARE(frame.height(), nHeight);
    QCOMPARE(frame.width_step(), nWidth);
    QCOMPARE(frame.data().size(), size_t(nWidth) * nHeight);
    QCOMPARE(int(*pixel(frame, 0, 0)), 0);
    QCOMPARE(int(*pixel(frame, 1, 0)), 255);
    if (bits < 16)
        QCOMPARE(int(*pixel(frame, 2, 0)), 255);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 3; x < nWidth; ++x) {
            const unsigned nExpected = raw[size_t(y) * nWidth + x] >> (bits - 8);
            QCOMPARE(unsigned(*pixel(frame, x, y)), nExpected);
        }
}

void TestPixelConverter::colourFormatsArriveAsBgr()
{
    const int nWidth = 3;
    const int nHeight = 2;
    // Pixel i holds (i, 100 + i, 200 + i) in the camera's channel order.
    std::vector<uint8_t> raw;
    for (int i = 0; i < nWidth * nHeight; ++i) {
        raw.push_back(uint8_t(i));
        raw.push_back(uint8_t(100 + i));
        raw.push_back(uint8_t(200 + i));
    }
    kelvora::core::Frame rgb;
    kelvora::core::Frame bgr;
    std::string strError;
    QVERIFY(PixelConverter::convert(PixelConverter::RGB8, "RGB8", nWidth, nHeight, raw.data(), raw.size(),
                                    &rgb, &strError));
    QVERIFY(PixelConverter::convert(PixelConverter::BGR8, "BGR8", nWidth, nHeight, raw.data(), raw.size(),
                                    &bgr, &strError));
    for (const auto* pFrame : {&rgb, &bgr}) {
        QCOMPARE(pFrame->type(), kelvora::core::PIXEL_BGR);
        QCOMPARE(pFrame->width_step(), nWidth * 3);
        QCOMPARE(pFrame->data().size(), size_t(nWidth * nHeight * 3));
    }
    for (int i = 0; i < nWidth * nHeight; ++i) {
        const uint8_t* pRgb = pixel(rgb, i % nWidth, i / nWidth);
        const uint8_t* pBgr = pixel(bgr, i % nWidth, i / nWidth);
        // RGB8: red first on the wire, so blue is the third byte.
        QCOMPARE(int(pRgb[0]), 200 + i);
        QCOMPARE(int(pRgb[1]), 100 + i);
        QCOMPARE(int(pRgb[2]), i);
        QCOMPARE(int(pBgr[0]), i);
        QCOMPARE(int(pBgr[1]), 100 + i);
        QCOMPARE(int(pBgr[2]), 200 + i);
    }
}

void TestPixelConverter::bayerLayoutsDemosaicToTheSceneColours_data()
{
    QTest::addColumn<uint32_t>("format");
    QTest::addColumn<QString>("layout");
    QTest::newRow("BayerRG8") << uint32_t(PixelConverter::BayerRG8) << "RGGB";
    QTest::newRow("BayerGR8") << uint32_t(PixelConverter::BayerGR8) << "GRBG";
    QTest::newRow("BayerGB8") << uint32_t(PixelConverter::BayerGB8) << "GBRG";
    QTest::newRow("BayerBG8") << uint32_t(PixelConverter::BayerBG8) << "BGGR";
}

void TestPixelConverter::bayerLayoutsDemosaicToTheSceneColours()
{
    QFETCH(uint32_t, format);
    QFETCH(QString, layout);
    const int nWidth = 64;
    const int nHeight = 48;
    const std::vector<uint8_t> raw = mosaic(qPrintable(layout), nWidth, nHeight);
    kelvora::core::Frame frame;
    std::string strError;
    QVERIFY2(
        PixelConverter::convert(format, "bayer", nWidth, nHeight, raw.data(), raw.size(), &frame, &strError),
        strError.c_str());
    QCOMPARE(frame.type(), kelvora::core::PIXEL_BGR);
    QCOMPARE(frame.width(), nWidth);
    QCOMPARE(frame.height(), nHeight);
    // Away from the block edges every pixel has its block's colour; a layout
    // read the wrong way round swaps red and blue or mixes in green.
    QString strWhy;
    QVERIFY2(sameScene(frame, nWidth, nHeight, &strWhy), qPrintable(strWhy));
}

void TestPixelConverter::packedMonoFormatsUnpackAndScale_data()
{
    QTest::addColumn<uint32_t>("format");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("kind");
    QTest::newRow("Mono10Packed") << uint32_t(PixelConverter::Mono10Packed) << 10 << "gv";
    QTest::newRow("Mono12Packed") << uint32_t(PixelConverter::Mono12Packed) << 12 << "gv";
    QTest::newRow("Mono10p") << uint32_t(PixelConverter::Mono10p) << 10 << "lsb";
    QTest::newRow("Mono12p") << uint32_t(PixelConverter::Mono12p) << 12 << "lsb";
}

void TestPixelConverter::packedMonoFormatsUnpackAndScale()
{
    QFETCH(uint32_t, format);
    QFETCH(int, bits);
    QFETCH(QString, kind);
    // An odd count of pixels: the last group is a partial one.
    const int nWidth = 37;
    const int nHeight = 5;
    std::vector<uint16_t> values(size_t(nWidth) * nHeight);
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = uint16_t((i * 2654435761u) % (1u << bits));
    values[0] = 0;
    values[1] = uint16_t((1 << bits) - 1);
    const std::vector<uint8_t> raw = pack(kind.toStdString(), bits, values);
    QCOMPARE(PixelConverter::imageBytes(format, nWidth, nHeight), raw.size());

    kelvora::core::Frame frame;
    std::string strError;
    QVERIFY2(
        PixelConverter::convert(format, "packed", nWidth, nHeight, raw.data(), raw.size(), &frame, &strError),
        strError.c_str());
    QCOMPARE(frame.type(), kelvora::core::PIXEL_GRAY);
    QCOMPARE(frame.width_step(), nWidth);
    QCOMPARE(int(*pixel(frame, 0, 0)), 0);
    QCOMPARE(int(*pixel(frame, 1, 0)), 255);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x) {
            const unsigned nExpected = values[size_t(y) * nWidth + x] >> (bits - 8);
            if (unsigned(*pixel(frame, x, y)) != nExpected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3, expected %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(*pixel(frame, x, y))
                                     .arg(nExpected)));
        }
    // One byte short is refused, not read past.
    QVERIFY(!PixelConverter::convert(format, "packed", nWidth, nHeight, raw.data(), raw.size() - 1, &frame,
                                     &strError));
}

void TestPixelConverter::packedLayoutsKeepTheirBytesApart()
{
    // Byte patterns written out by hand: a converter that confused the two
    // packed families reads other bits.
    std::string strError;
    kelvora::core::Frame frame;
    // Mono12p: 0x321 and 0xABC as bytes 21 C3 AB.
    const uint8_t p12[] = {0x21, 0xC3, 0xAB};
    QVERIFY(PixelConverter::convert(PixelConverter::Mono12p, "Mono12p", 2, 1, p12, sizeof p12, &frame,
                                    &strError));
    QCOMPARE(int(*pixel(frame, 0, 0)), 0x32);
    QCOMPARE(int(*pixel(frame, 1, 0)), 0xAB);
    // Mono12Packed: the same bytes are 0x21C and 0xABC.
    QVERIFY(PixelConverter::convert(PixelConverter::Mono12Packed, "Mono12Packed", 2, 1, p12, sizeof p12,
                                    &frame, &strError));
    QCOMPARE(int(*pixel(frame, 0, 0)), 0x21);
    QCOMPARE(int(*pixel(frame, 1, 0)), 0xAB);
    // Mono10p: 0x3FF, 0x000, 0x155, 0x2AA as FF 03 50 95 AA.
    const uint8_t p10[] = {0xFF, 0x03, 0x50, 0x95, 0xAA};
    QVERIFY(PixelConverter::convert(PixelConverter::Mono10p, "Mono10p", 4, 1, p10, sizeof p10, &frame,
                                    &strError));
    QCOMPARE(int(*pixel(frame, 0, 0)), 0xFF);
    QCOMPARE(int(*pixel(frame, 1, 0)), 0x00);
    QCOMPARE(int(*pixel(frame, 2, 0)), 0x55);
    QCOMPARE(int(*pixel(frame, 3, 0)), 0xAA);
}

void TestPixelConverter::deepBayerLayoutsDemosaicToTheSceneColours_data()
{
    QTest::addColumn<uint32_t>("format");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("kind");
    QTest::newRow("BayerRG10") << uint32_t(PixelConverter::BayerRG10) << "RGGB" << 10 << "";
    QTest::newRow("BayerGR12") << uint32_t(PixelConverter::BayerGR12) << "GRBG" << 12 << "";
    QTest::newRow("BayerBG16") << uint32_t(PixelConverter::BayerBG16) << "BGGR" << 16 << "";
    QTest::newRow("BayerGB10Packed") << uint32_t(PixelConverter::BayerGB10Packed) << "GBRG" << 10 << "gv";
    QTest::newRow("BayerRG12Packed") << uint32_t(PixelConverter::BayerRG12Packed) << "RGGB" << 12 << "gv";
    QTest::newRow("BayerBG10p") << uint32_t(PixelConverter::BayerBG10p) << "BGGR" << 10 << "lsb";
    QTest::newRow("BayerGR12p") << uint32_t(PixelConverter::BayerGR12p) << "GRBG" << 12 << "lsb";
}

void TestPixelConverter::deepBayerLayoutsDemosaicToTheSceneColours()
{
    QFETCH(uint32_t, format);
    QFETCH(QString, layout);
    QFETCH(int, bits);
    QFETCH(QString, kind);
    const int nWidth = 64;
    const int nHeight = 48;
    const std::vector<uint8_t> raw = pack(kind.toStdString(), bits,
                                          widen(mosaic(qPrintable(layout), nWidth, nHeight), bits));
    QCOMPARE(PixelConverter::imageBytes(format, nWidth, nHeight), raw.size());
    kelvora::core::Frame frame;
    std::string strError;
    QVERIFY2(
        PixelConverter::convert(format, "bayer", nWidth, nHeight, raw.data(), raw.size(), &frame, &strError),
        strError.c_str());
    QCOMPARE(frame.type(), kelvora::core::PIXEL_BGR);
    QCOMPARE(PixelConverter::outputChannels(format), 3);
    QString strWhy;
    QVERIFY2(sameScene(frame, nWidth, nHeight, &strWhy), qPrintable(strWhy));
}

void TestPixelConverter::bufferSizesFollowTheFormatsRealBytes()
{
    QCOMPARE(PixelConverter::imageBytes(PixelConverter::Mono8, 5120, 5120), size_t(5120) * 5120);
    QCOMPARE(PixelConverter::imageBytes(PixelConverter::Mono12, 100, 10), size_t(2000));
    QCOMPARE(PixelConverter::imageBytes(PixelConverter::Mono12Packed, 100, 10), size_t(1500));
    QCOMPARE(PixelConverter::imageBytes(PixelConverter::Mono10p, 100, 10), size_t(1250));
    QCOMPARE(PixelConverter::imageBytes(PixelConverter::RGB8, 100, 10), size_t(3000));
    QCOMPARE(PixelConverter::imageBytes(0x02100032, 100, 10), size_t(0));
    QCOMPARE(PixelConverter::outputChannels(PixelConverter::Mono12p), 1);
    QCOMPARE(PixelConverter::outputChannels(PixelConverter::BGR8), 3);
}

void TestPixelConverter::otherFormatsAndShortBuffersAreRefusedByName()
{
    std::vector<uint8_t> raw(64 * 64 * 4, 77);
    kelvora::core::Frame frame;
    frame.set_width(5);
    std::string strError;
    // RGB10 and YUV422_8: not handled, and said so by name.
    QVERIFY(!PixelConverter::isSupported(0x02300018));
    QVERIFY(!PixelConverter::convert(0x02300018, "RGB10", 64, 64, raw.data(), raw.size(), &frame, &strError));
    QVERIFY2(strError.find("RGB10") != std::string::npos, strError.c_str());
    QVERIFY(!PixelConverter::convert(0x02100032, "", 64, 64, raw.data(), raw.size(), &frame, &strError));
    QVERIFY2(strError.find("0x02100032") != std::string::npos, strError.c_str());
    // A buffer shorter than the geometry needs is never read past its end.
    QVERIFY(!PixelConverter::convert(PixelConverter::Mono16, "Mono16", 64, 64, raw.data(), 64 * 64 * 2 - 1,
                                     &frame, &strError));
    QVERIFY(!PixelConverter::convert(PixelConverter::Mono8, "Mono8", 0, 64, raw.data(), raw.size(), &frame,
                                     &strError));
    // Refusals leave the frame as it was.
    QCOMPARE(frame.width(), 5);
    QVERIFY(frame.data().empty());
    for (uint32_t nFormat : {uint32_t(PixelConverter::Mono8), uint32_t(PixelConverter::BayerGB8),
                             uint32_t(PixelConverter::Mono12), uint32_t(PixelConverter::BGR8)})
        QVERIFY(PixelConverter::isSupported(nFormat));
}

void TestPixelConverter::frameIdsWrapIntoRisingIdentifiers()
{
    FrameCounter counter;
    // GigE Vision block ids skip 0 when they wrap.
    QCOMPARE(counter.identify(65533), uint64_t(1));
    QCOMPARE(counter.identify(65534), uint64_t(2));
    QCOMPARE(counter.identify(65535), uint64_t(3));
    QCOMPARE(counter.identify(1), uint64_t(4));
    QCOMPARE(counter.identify(2), uint64_t(5));
    // A lost frame leaves a gap of its own size.
    QCOMPARE(counter.identify(5), uint64_t(8));
    // Wrapping through 0, with a lost frame around the wrap.
    QCOMPARE(counter.identify(65534), uint64_t(8 + 65529));
    QCOMPARE(counter.identify(0), uint64_t(8 + 65529 + 2));
    // A reopened camera numbers from its own start again; identifiers go on.
    counter.restartIds();
    QCOMPARE(counter.identify(65401), uint64_t(8 + 65529 + 3));
    QCOMPARE(counter.identify(65402), uint64_t(8 + 65529 + 4));
    // Ids wider than 16 bits never take the 16-bit wrap.
    FrameCounter wide;
    QCOMPARE(wide.identify(1'000'000), uint64_t(1));
    QCOMPARE(wide.identify(1'000'003), uint64_t(4));
    QCOMPARE(wide.identify(5), uint64_t(5));
}

void TestPixelConverter::accountingAddsUpAcrossStreams()
{
    FrameCounter counter;
    counter.addCompleted();
    counter.addCompleted();
    counter.addDelivered();
    counter.addIncomplete();
    counter.addUnsupported();
    counter.setStreamUnderruns(3);
    counter.setStreamPackets(4, 10);
    // A reopened camera's new stream counts its underruns and packets from 0 again.
    counter.newStream();
    counter.setStreamUnderruns(2);
    counter.setStreamPackets(1, 6);
    counter.setStreamPackets(2, 7);
    const FrameCounter::Counts counts = counter.counts();
    QCOMPARE(counts.nCompleted, uint64_t(2));
    QCOMPARE(counts.nDelivered, uint64_t(1));
    QCOMPARE(counts.nIncomplete, uint64_t(1));
    QCOMPARE(counts.nUnsupported, uint64_t(1));
    QCOMPARE(counts.nUnderruns, uint64_t(5));
    QCOMPARE(counts.nResent, uint64_t(6));
    QCOMPARE(counts.nMissing, uint64_t(17));
    QCOMPARE(
        QString::fromStdString(counter.json()),
        QStringLiteral("{\"completed\":2,\"incomplete\":1,\"underruns\":5,\"unsupported\":1,\"delivered\":1,"
                       "\"resent\":6,\"missing_packets\":17,\"no_buffer\":5}"));
}

QTEST_GUILESS_MAIN(TestPixelConverter)
#include "tst_pixel_converter.moc"
