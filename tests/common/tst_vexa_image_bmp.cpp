#include <QtTest>

#include "TestSuite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <climits>
#include <cstring>

#include "bmp_builder.h"
#include "common/vexa_image.h"

using vexa::VexaImage;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

quint32 u32At(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

// An image filled with a pattern that differs per byte, padding included.
VexaImage patterned(int width, int height, VexaImage::E_Image_Type type, int widthStep)
{
    VexaImage image(width, height, type, widthStep);
    for (int i = 0; i < widthStep * height; ++i)
        image.data()[i] = static_cast<unsigned char>(i * 7 + 3);
    return image;
}

// Every pixel of image equals the one QImage decoded from the same file.
bool samePixels(const VexaImage& image, const QImage& decoded)
{
    if (decoded.width() != image.width() || decoded.height() != image.height())
        return false;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const unsigned char* p = image.data() + y * image.widthStep() + x * image.channels();
            const QRgb rgb = decoded.pixel(x, y);
            const bool bSame = image.channels() == 1
                ? decoded.pixelIndex(x, y) == p[0]
                : qBlue(rgb) == p[0] && qGreen(rgb) == p[1] && qRed(rgb) == p[2];
            if (!bSame)
                return false;
        }
    }
    return true;
}

// A 3x2 picture stored bottom-up or top-down: rows of 9 bytes plus 3 padding.
QByteArray storedRows(bool bTopDown)
{
    const QByteArray top("\x01\x02\x03\x04\x05\x06\x07\x08\x09\0\0\0", 12);
    const QByteArray bottom("\x11\x12\x13\x14\x15\x16\x17\x18\x19\0\0\0", 12);
    return bTopDown ? top + bottom : bottom + top;
}

} // namespace

class TstVexaImageBmp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fileLayout();
    void rewritesExistingFiles();
    void writtenFilesDecodeWithQImage_data();
    void writtenFilesDecodeWithQImage();
    void foreignFilesRead();
    void hostileHeadersRefused();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TstVexaImageBmp::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TstVexaImageBmp::fileLayout()
{
    // BGR, unpadded rows of 9 bytes: stored rows of 12, bottom-up.
    VexaImage bgr = patterned(3, 2, VexaImage::IMAGE_BGR, 9);
    const QString bgrPath = path("bgr.bmp");
    QVERIFY(bgr.writeToFileBMP(bgrPath.toLocal8Bit().constData()));
    const QByteArray file = readAll(bgrPath);
    QCOMPARE(file.size(), 78);
    QCOMPARE(file.left(2), QByteArray("BM"));
    QCOMPARE(u32At(file, 2), 78u);
    QCOMPARE(u32At(file, 10), 54u);
    QCOMPARE(u32At(file, 14), 40u);
    QCOMPARE(qint32(u32At(file, 22)), 2);
    QCOMPARE(qFromLittleEndian<quint16>(file.constData() + 28), quint16(24));
    QCOMPARE(u32At(file, 34), 24u);
    QCOMPARE(file.mid(54, 9), QByteArray(reinterpret_cast<const char*>(bgr.data()) + 9, 9));
    QCOMPARE(file.mid(63, 3), QByteArray(3, '\0'));
    QCOMPARE(file.mid(66, 9), QByteArray(reinterpret_cast<const char*>(bgr.data()), 9));

    VexaImage back;
    QVERIFY(back.readFromFileBMP(bgrPath.toLocal8Bit().constData()));
    QCOMPARE(back.widthStep(), 12);
    QCOMPARE(back.type(), int(VexaImage::IMAGE_BGR));
    for (int y = 0; y < 2; ++y)
        QCOMPARE(std::memcmp(back.data() + 12 * y, bgr.data() + 9 * y, 9), 0);

    // Grey: colour table of a grey ramp between the headers and the pixels.
    VexaImage grey = patterned(4, 4, VexaImage::IMAGE_GRAY, 4);
    const QString greyPath = path("grey.bmp");
    QVERIFY(grey.writeToFileBMP(greyPath.toLocal8Bit().constData()));
    const QByteArray greyFile = readAll(greyPath);
    QCOMPARE(greyFile.size(), 1078 + 16);
    QCOMPARE(u32At(greyFile, 10), 1078u);
    for (int i = 0; i < 256; ++i)
        QCOMPARE(u32At(greyFile, 54 + 4 * i), quint32(i | (i << 8) | (i << 16)));
    QVERIFY(back.readFromFileBMP(greyPath.toLocal8Bit().constData()));
    QCOMPARE(back.channels(), 1);
    QCOMPARE(std::memcmp(back.data(), grey.data(), 16), 0);

    // A stride wider than a padded row: rows are cut to the stored row size.
    VexaImage wide = patterned(3, 2, VexaImage::IMAGE_BGR, 20);
    const QString widePath = path("wide.bmp");
    QVERIFY(wide.writeToFileBMP(widePath.toLocal8Bit().constData()));
    QCOMPARE(readAll(widePath).size(), 54 + 24);
    QVERIFY(back.readFromFileBMP(widePath.toLocal8Bit().constData()));
    for (int y = 0; y < 2; ++y)
        QCOMPARE(std::memcmp(back.data() + 12 * y, wide.data() + 20 * y, 9), 0);

    // Nothing to write: fails before a file exists.
    QVERIFY(!VexaImage().writeToFileBMP(path("none.bmp").toLocal8Bit().constData()));
    unsigned char foreign[16] = {};
    VexaImage odd(2, 2, VexaImage::E_Image_Type(3), 8, foreign, false);
    QVERIFY(!odd.writeToFileBMP(path("odd.bmp").toLocal8Bit().constData()));
    QVERIFY(!QFile::exists(path("none.bmp")));
    QVERIFY(!QFile::exists(path("odd.bmp")));
    QVERIFY(!bgr.writeToFileBMP(path("no/such/dir.bmp").toLocal8Bit().constData()));
}

void TstVexaImageBmp::rewritesExistingFiles()
{
    // The same file written again and again, as the frame hand-off does: each
    // write leaves exactly the new picture, whatever the file held before.
    const QString file = path("again.bmp");
    const QByteArray name = file.toLocal8Bit();
    VexaImage large = patterned(40, 30, VexaImage::IMAGE_BGR, 120);
    VexaImage small = patterned(5, 3, VexaImage::IMAGE_BGR, 15);
    VexaImage grey = patterned(6, 4, VexaImage::IMAGE_GRAY, 6);
    QVERIFY(large.writeToFileBMP(name.constData()));
    QCOMPARE(readAll(file).size(), 54 + 120 * 30);

    QVERIFY(small.writeToFileBMP(name.constData()));
    const QByteArray shorter = readAll(file);
    QCOMPARE(shorter.size(), 54 + 16 * 3);
    QCOMPARE(u32At(shorter, 2), quint32(shorter.size()));
    QVERIFY(samePixels(small, QImage(file, "BMP")));

    QVERIFY(grey.writeToFileBMP(name.constData()));
    QCOMPARE(readAll(file).size(), 1078 + 8 * 4);
    QVERIFY(samePixels(grey, QImage(file, "BMP")));

    QVERIFY(large.writeToFileBMP(name.constData()));
    QCOMPARE(readAll(file).size(), 54 + 120 * 30);
    QVERIFY(samePixels(large, QImage(file, "BMP")));

    // A name taken by a folder cannot be written: the write fails.
    QVERIFY(QDir(m_dir.path()).mkdir("taken.bmp"));
    QVERIFY(!small.writeToFileBMP(path("taken.bmp").toLocal8Bit().constData()));
    QVERIFY(QFileInfo(path("taken.bmp")).isDir());
}

void TstVexaImageBmp::writtenFilesDecodeWithQImage_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("widthStep");
    QTest::newRow("grey unpadded") << 7 << 6 << int(VexaImage::IMAGE_GRAY) << 7;
    QTest::newRow("grey padded") << 7 << 6 << int(VexaImage::IMAGE_GRAY) << 8;
    QTest::newRow("grey aligned") << 8 << 6 << int(VexaImage::IMAGE_GRAY) << 8;
    QTest::newRow("bgr unpadded") << 5 << 6 << int(VexaImage::IMAGE_BGR) << 15;
    QTest::newRow("bgr padded") << 5 << 6 << int(VexaImage::IMAGE_BGR) << 16;
    QTest::newRow("bgra") << 5 << 6 << int(VexaImage::IMAGE_BGRA) << 20;
    // Rows travel in blocks of about 256 KiB: several blocks and a partial
    // last one, and rows wider than a whole block.
    QTest::newRow("bgr many blocks") << 1001 << 300 << int(VexaImage::IMAGE_BGR) << 3003;
    QTest::newRow("grey row over a block") << 300001 << 3 << int(VexaImage::IMAGE_GRAY) << 300001;
}

void TstVexaImageBmp::writtenFilesDecodeWithQImage()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, type);
    QFETCH(int, widthStep);
    const VexaImage image = patterned(width, height, VexaImage::E_Image_Type(type), widthStep);
    const QString file = path(QString("out_%1_%2.bmp").arg(type).arg(widthStep));
    QVERIFY(const_cast<VexaImage&>(image).writeToFileBMP(file.toLocal8Bit().constData()));
    QImage decoded(file, "BMP");
    QVERIFY(!decoded.isNull());
    QVERIFY(samePixels(image, decoded));

    // And back: every row lands in its own place.
    VexaImage again;
    QVERIFY(again.readFromFileBMP(file.toLocal8Bit().constData()));
    QCOMPARE(again.height(), height);
    for (int y = 0; y < height; ++y)
        QCOMPARE(std::memcmp(again.data() + qint64(y) * again.widthStep(),
                             image.data() + qint64(y) * widthStep, size_t(width * image.channels())),
                 0);
}

void TstVexaImageBmp::foreignFilesRead()
{
    // 24-bit file written by QImage.
    QImage rgb(13, 5, QImage::Format_RGB888);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            rgb.setPixel(x, y, qRgb(x * 19, y * 40, (x * y * 13) & 0xff));
    const QString rgbPath = path("qt_rgb.bmp");
    QVERIFY(rgb.save(rgbPath, "BMP"));
    VexaImage image;
    QVERIFY(image.readFromFileBMP(rgbPath.toLocal8Bit().constData()));
    QCOMPARE(image.type(), int(VexaImage::IMAGE_BGR));
    QVERIFY(samePixels(image, rgb));

    // 8-bit file with a short colour table (100 entries): the pixel data
    // starts at the stored offset, not after a full 1024-byte table.
    QImage indexed(9, 4, QImage::Format_Indexed8);
    QVector<QRgb> table;
    for (int i = 0; i < 100; ++i)
        table.append(qRgb(i, i, i));
    indexed.setColorTable(table);
    for (int y = 0; y < indexed.height(); ++y)
        for (int x = 0; x < indexed.width(); ++x)
            indexed.setPixel(x, y, uint((x * 11 + y * 23) % 100));
    const QString indexedPath = path("qt_indexed.bmp");
    QVERIFY(indexed.save(indexedPath, "BMP"));
    QCOMPARE(u32At(readAll(indexedPath), 10), 54u + 400u);
    QVERIFY(image.readFromFileBMP(indexedPath.toLocal8Bit().constData()));
    QCOMPARE(image.type(), int(VexaImage::IMAGE_GRAY));
    QVERIFY(samePixels(image, indexed));

    // The same picture stored top-down and bottom-up reads to the same memory.
    BmpBuilder builder;
    builder.nWidth = 3;
    builder.nHeight = -2;
    builder.pixels = storedRows(true);
    QVERIFY(writeAll(path("topdown.bmp"), builder.build()));
    builder.nHeight = 2;
    builder.pixels = storedRows(false);
    QVERIFY(writeAll(path("bottomup.bmp"), builder.build()));
    VexaImage topDown, bottomUp;
    QVERIFY(topDown.readFromFileBMP(path("topdown.bmp").toLocal8Bit().constData()));
    QVERIFY(bottomUp.readFromFileBMP(path("bottomup.bmp").toLocal8Bit().constData()));
    QCOMPARE(topDown.height(), 2);
    QCOMPARE(std::memcmp(topDown.data(), storedRows(true).constData(), 24), 0);
    QCOMPARE(std::memcmp(bottomUp.data(), topDown.data(), 24), 0);
    QVERIFY(samePixels(topDown, QImage(path("topdown.bmp"), "BMP")));

    // A larger information header (124 bytes) with the offset after it.
    builder.nInfoSize = 124;
    QVERIFY(writeAll(path("v5.bmp"), builder.build()));
    QVERIFY(image.readFromFileBMP(path("v5.bmp").toLocal8Bit().constData()));
    QCOMPARE(std::memcmp(image.data(), topDown.data(), 24), 0);

    // An offset inside the headers is not plausible: the pixels are taken to
    // follow the 54 header bytes, as in our own files.
    builder.nInfoSize = 40;
    builder.nOffset = 20;
    QByteArray bytes = builder.build();
    QVERIFY(writeAll(path("offset_inside.bmp"), bytes));
    QVERIFY(image.readFromFileBMP(path("offset_inside.bmp").toLocal8Bit().constData()));
    QCOMPARE(std::memcmp(image.data(), topDown.data(), 24), 0);

    // 32-bit: four channels, stride 4 * width, bytes unchanged.
    builder.nOffset = -1;
    builder.nBitCount = 32;
    builder.nWidth = 2;
    builder.nHeight = -1;
    builder.pixels = QByteArray("\x0a\x0b\x0c\x0d\x1a\x1b\x1c\x1d", 8);
    QVERIFY(writeAll(path("bgra.bmp"), builder.build()));
    QVERIFY(image.readFromFileBMP(path("bgra.bmp").toLocal8Bit().constData()));
    QCOMPARE(image.channels(), 4);
    QCOMPARE(image.widthStep(), 8);
    QCOMPARE(std::memcmp(image.data(), builder.pixels.constData(), 8), 0);

    // Height 0: a valid file with an empty picture.
    builder.nHeight = 0;
    builder.pixels.clear();
    QVERIFY(writeAll(path("zero.bmp"), builder.build()));
    QVERIFY(image.readFromFileBMP(path("zero.bmp").toLocal8Bit().constData()));
    QVERIFY(image.empty());
}

void TstVexaImageBmp::hostileHeadersRefused()
{
    const auto refuses = [this](const BmpBuilder& builder, const char* name) {
        const QString file = path(QString("hostile_%1.bmp").arg(name));
        if (!writeAll(file, builder.build()))
            return false;
        VexaImage image(4, 4, VexaImage::IMAGE_BGR, 12);
        const bool bRead = image.readFromFileBMP(file.toLocal8Bit().constData());
        return !bRead && image.empty() && image.width() == 0 && image.widthStep() == 0;
    };
    BmpBuilder valid;
    valid.nWidth = 3;
    valid.nHeight = 2;
    valid.pixels = storedRows(false);

    BmpBuilder b = valid;
    b.nBitCount = 16;
    QVERIFY(refuses(b, "bits16"));
    b = valid;
    b.nCompression = 1;
    QVERIFY(refuses(b, "rle"));
    b = valid;
    b.nWidth = 0;
    QVERIFY(refuses(b, "width0"));
    b = valid;
    b.nWidth = -3;
    QVERIFY(refuses(b, "widthneg"));
    b = valid;
    b.nReserved2 = 1;
    QVERIFY(refuses(b, "reserved"));
    b = valid;
    b.nType = 0x4142;
    QVERIFY(refuses(b, "type"));
    b = valid;
    b.nHeight = INT_MIN;
    QVERIFY(refuses(b, "heightmin"));
    // Row size beyond 32 bits and image size beyond 32 bits.
    b = valid;
    b.nWidth = INT_MAX;
    QVERIFY(refuses(b, "rowoverflow"));
    b = valid;
    b.nBitCount = 32;
    b.nWidth = 0x10000;
    b.nHeight = 0x10000;
    QVERIFY(refuses(b, "sizeoverflow"));
    // Sizes the file cannot hold: a large picture, one missing byte.
    b = valid;
    b.nWidth = 20000;
    b.nHeight = -20000;
    QVERIFY(refuses(b, "large"));
    b = valid;
    b.pixels.chop(1);
    QVERIFY(refuses(b, "truncated"));
    // A plausible offset that leaves too little data behind it.
    b = valid;
    b.nOffset = 60;
    b.pixels.chop(6);
    QVERIFY(refuses(b, "lateoffset"));
    // Shorter than the headers, and missing altogether.
    QVERIFY(writeAll(path("short.bmp"), valid.build().left(30)));
    VexaImage image(2, 2, VexaImage::IMAGE_GRAY, 4);
    QVERIFY(!image.readFromFileBMP(path("short.bmp").toLocal8Bit().constData()));
    QVERIFY(image.empty());
    QVERIFY(!image.readFromFileBMP(path("missing.bmp").toLocal8Bit().constData()));
    QVERIFY(image.empty());
    // The valid original still reads, so the refusals above are the headers'.
    QVERIFY(writeAll(path("valid.bmp"), valid.build()));
    QVERIFY(image.readFromFileBMP(path("valid.bmp").toLocal8Bit().constData()));
}

KELVORA_TEST_GUILESS_MAIN(TstVexaImageBmp)
#include "tst_vexa_image_bmp.moc"
