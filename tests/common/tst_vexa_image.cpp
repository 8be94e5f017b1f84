#include <QtTest>

#include "TestSuite.h"

#include <climits>
#include <cstring>
#include <vector>

#include "common/vexa_image.h"

using vexa::VexaImage;

class TstVexaImage : public QObject
{
    Q_OBJECT

private slots:
    void constructionAndCopies();
    void allocationAndDeepCopies();
    void failedAllocationLeavesEmptyImage();
};

void TstVexaImage::constructionAndCopies()
{
    VexaImage empty;
    QVERIFY(empty.empty());
    QCOMPARE(empty.channels(), 3);
    QCOMPARE(empty.type(), int(VexaImage::IMAGE_BGR));
    QCOMPARE(empty.widthStep(), 0);
    QVERIFY(empty.data() == nullptr);

    VexaImage grey(5, 3, VexaImage::IMAGE_GRAY, 8);
    QCOMPARE(grey.channels(), 1);
    QCOMPARE(grey.total(), vexa::uint64(15));
    QVERIFY(!grey.empty());
    const std::vector<unsigned char> zeros(24, 0);
    QCOMPARE(std::memcmp(grey.data(), zeros.data(), zeros.size()), 0);
    QVERIFY(grey.isInside(0, 0));
    QVERIFY(grey.isInside(4, 2));
    QVERIFY(!grey.isInside(5, 0));
    QVERIFY(!grey.isInside(0, 3));
    QVERIFY(!grey.isInside(-1, 0));

    // Invalid geometry leaves an empty image.
    QVERIFY(VexaImage(0, 3, VexaImage::IMAGE_BGR, 3).empty());
    QVERIFY(VexaImage(3, 3, VexaImage::IMAGE_BGR, 0).empty());
    QVERIFY(VexaImage(3, 3, VexaImage::E_Image_Type(7), 9).empty());

    // Copy construction and assignment share pixels; identifiers stay put.
    grey.setIdentifier(42);
    VexaImage copy(grey);
    QCOMPARE(copy.getIdentifier(), vexa::uint64(0));
    QCOMPARE(copy.data(), grey.data());
    copy.data()[7] = 99;
    QCOMPARE(int(grey.data()[7]), 99);
    VexaImage target;
    target.setIdentifier(7);
    target = grey;
    QCOMPARE(target.getIdentifier(), vexa::uint64(7));
    QCOMPARE(target.widthStep(), 8);
    QCOMPARE(target.data(), grey.data());
    const VexaImage& self = target; // self-assignment keeps the shared data
    target = self;
    QCOMPARE(target.data(), grey.data());

    // Wrapping: foreign memory, no checks, channels from the type.
    unsigned char foreign[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    VexaImage wrapped(2, 2, VexaImage::IMAGE_BGR, 6, foreign, false);
    QCOMPARE(wrapped.data(), foreign);
    QCOMPARE(wrapped.channels(), 3);
    VexaImage wrappedOdd(2, 2, VexaImage::E_Image_Type(5), 6, foreign, false);
    QCOMPARE(wrappedOdd.channels(), 3); // unknown type keeps the default
    VexaImage owned(2, 2, VexaImage::IMAGE_BGR, 6, foreign, true);
    QVERIFY(owned.data() != foreign);
    QCOMPARE(std::memcmp(owned.data(), foreign, 12), 0);
}

void TstVexaImage::allocationAndDeepCopies()
{
    VexaImage image(4, 2, VexaImage::IMAGE_BGRA, 16);
    unsigned char* pOld = image.data();
    pOld[0] = 200;
    // Same geometry: refused as "nothing new", pixels kept.
    QVERIFY(!VexaImage::allocateNewMemory(4, 2, VexaImage::IMAGE_BGRA, 16, image));
    QCOMPARE(image.data(), pOld);
    QCOMPARE(int(image.data()[0]), 200);
    // New geometry: new memory.
    QVERIFY(VexaImage::allocateNewMemory(3, 2, VexaImage::IMAGE_BGR, 9, image));
    QCOMPARE(image.channels(), 3);
    QCOMPARE(image.widthStep(), 9);
    // Invalid geometry releases, the identifier survives.
    image.setIdentifier(5);
    QVERIFY(!VexaImage::allocateNewMemory(3, -2, VexaImage::IMAGE_BGR, 9, image));
    QVERIFY(image.empty());
    QCOMPARE(image.width(), 0);
    QCOMPARE(image.getIdentifier(), vexa::uint64(5));

    // A wrapping image of the same geometry gets memory of its own.
    unsigned char foreign[8] = {};
    VexaImage wrapped(2, 2, VexaImage::IMAGE_GRAY, 4, foreign, false);
    QVERIFY(VexaImage::allocateNewMemory(2, 2, VexaImage::IMAGE_GRAY, 4, wrapped));
    QVERIFY(wrapped.data() != foreign);

    // generateNewImage copies, zero-fills, or refuses.
    const unsigned char src[6] = {1, 2, 3, 4, 5, 6};
    VexaImage gen;
    QVERIFY(!gen.generateNewImage(3, 2, 4, 3, const_cast<unsigned char*>(src)));
    QVERIFY(!gen.generateNewImage(3, 2, 3, 3, const_cast<unsigned char*>(src)));
    QVERIFY(gen.generateNewImage(3, 2, VexaImage::IMAGE_GRAY, 3, const_cast<unsigned char*>(src)));
    QCOMPARE(std::memcmp(gen.data(), src, 6), 0);
    QVERIFY(gen.generateNewImage(2, 3, VexaImage::IMAGE_GRAY, 2, nullptr));
    QCOMPARE(std::memcmp(gen.data(), "\0\0\0\0\0\0", 6), 0);

    // copyTo is deep, also into an image that already has the geometry.
    VexaImage source(2, 1, VexaImage::IMAGE_GRAY, 4, const_cast<unsigned char*>(src), true);
    VexaImage deep;
    source.copyTo(deep);
    QVERIFY(deep.data() != source.data());
    QCOMPARE(std::memcmp(deep.data(), src, 4), 0);
    source.data()[1] = 77;
    QCOMPARE(int(deep.data()[1]), 2);
    source.copyTo(deep);
    QCOMPARE(int(deep.data()[1]), 77);
    // A shallow copy stays shared after copyTo.
    VexaImage shallow(source);
    source.copyTo(shallow);
    QCOMPARE(shallow.data(), source.data());
    // copyTo from an empty image empties the target.
    VexaImage().copyTo(deep);
    QVERIFY(deep.empty());
}

void TstVexaImage::failedAllocationLeavesEmptyImage()
{
    VexaImage image(2, 2, VexaImage::IMAGE_BGR, 6);
    QVERIFY(!VexaImage::allocateNewMemory(INT_MAX, INT_MAX, VexaImage::IMAGE_BGR, INT_MAX, image));
    QVERIFY(image.empty());
    QCOMPARE(image.width(), 0);
    QCOMPARE(image.height(), 0);
    QCOMPARE(image.widthStep(), 0);

    VexaImage huge(INT_MAX, INT_MAX, VexaImage::IMAGE_BGR, INT_MAX);
    QVERIFY(huge.empty());
    QCOMPARE(huge.width(), 0);
    QVERIFY(!huge.generateNewImage(INT_MAX, INT_MAX, VexaImage::IMAGE_GRAY, INT_MAX, nullptr));
    QCOMPARE(huge.widthStep(), 0);
}

KELVORA_TEST_APPLESS_MAIN(TstVexaImage)
#include "tst_vexa_image.moc"
