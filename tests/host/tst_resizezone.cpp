#include "ResizeZone.h"

#include <QtTest>

#include "TestSuite.h"

Q_DECLARE_METATYPE(ResizeZone)

class TestResizeZone : public QObject
{
    Q_OBJECT
private slots:
    void zones_data();
    void zones();
    void edgesAndCursors();
    void manualGeometry();
};

void TestResizeZone::zones_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<ResizeZone>("zone");
    // Window of 400 x 300: margins 6, top band at rows 6 to 11.
    QTest::newRow("top row 0 is client") << QPoint(200, 0) << ResizeZone::Client;
    QTest::newRow("top row 5 is client") << QPoint(200, 5) << ResizeZone::Client;
    QTest::newRow("top row 6 is top") << QPoint(200, 6) << ResizeZone::Top;
    QTest::newRow("top row 11 is top") << QPoint(200, 11) << ResizeZone::Top;
    QTest::newRow("row 12 is client") << QPoint(200, 12) << ResizeZone::Client;
    QTest::newRow("top-left above band is left") << QPoint(0, 0) << ResizeZone::Left;
    QTest::newRow("top-right above band is right") << QPoint(399, 5) << ResizeZone::Right;
    QTest::newRow("top-left band") << QPoint(0, 6) << ResizeZone::TopLeft;
    QTest::newRow("top-left band inner") << QPoint(5, 11) << ResizeZone::TopLeft;
    QTest::newRow("top band starts at x 6") << QPoint(6, 6) << ResizeZone::Top;
    QTest::newRow("top band ends at x 393") << QPoint(393, 11) << ResizeZone::Top;
    QTest::newRow("top-right band") << QPoint(394, 6) << ResizeZone::TopRight;
    QTest::newRow("top-right band outer") << QPoint(399, 11) << ResizeZone::TopRight;
    QTest::newRow("left") << QPoint(0, 150) << ResizeZone::Left;
    QTest::newRow("left inner") << QPoint(5, 150) << ResizeZone::Left;
    QTest::newRow("client after left") << QPoint(6, 150) << ResizeZone::Client;
    QTest::newRow("client before right") << QPoint(393, 150) << ResizeZone::Client;
    QTest::newRow("right") << QPoint(394, 150) << ResizeZone::Right;
    QTest::newRow("left down to row 293") << QPoint(2, 293) << ResizeZone::Left;
    QTest::newRow("client above bottom") << QPoint(200, 293) << ResizeZone::Client;
    QTest::newRow("bottom") << QPoint(200, 294) << ResizeZone::Bottom;
    QTest::newRow("bottom last row") << QPoint(200, 299) << ResizeZone::Bottom;
    QTest::newRow("bottom-left") << QPoint(0, 299) << ResizeZone::BottomLeft;
    QTest::newRow("bottom-left inner") << QPoint(5, 294) << ResizeZone::BottomLeft;
    QTest::newRow("bottom-right") << QPoint(399, 299) << ResizeZone::BottomRight;
    QTest::newRow("bottom-right inner") << QPoint(394, 294) << ResizeZone::BottomRight;
    QTest::newRow("outside right") << QPoint(400, 150) << ResizeZone::None;
    QTest::newRow("outside above") << QPoint(200, -1) << ResizeZone::None;
}

void TestResizeZone::zones()
{
    QFETCH(QPoint, pos);
    QFETCH(ResizeZone, zone);
    QCOMPARE(hitTestZone(pos, QSize(400, 300)), zone);
}

void TestResizeZone::edgesAndCursors()
{
    QCOMPARE(zoneEdges(ResizeZone::Client), Qt::Edges());
    QCOMPARE(zoneEdges(ResizeZone::None), Qt::Edges());
    QCOMPARE(zoneEdges(ResizeZone::Top), Qt::Edges(Qt::TopEdge));
    QCOMPARE(zoneEdges(ResizeZone::BottomLeft), Qt::BottomEdge | Qt::LeftEdge);
    QCOMPARE(zoneEdges(ResizeZone::TopRight), Qt::TopEdge | Qt::RightEdge);

    QCOMPARE(zoneCursor(ResizeZone::Client), Qt::ArrowCursor);
    QCOMPARE(zoneCursor(ResizeZone::Left), Qt::SizeHorCursor);
    QCOMPARE(zoneCursor(ResizeZone::Bottom), Qt::SizeVerCursor);
    QCOMPARE(zoneCursor(ResizeZone::TopLeft), Qt::SizeFDiagCursor);
    QCOMPARE(zoneCursor(ResizeZone::BottomRight), Qt::SizeFDiagCursor);
    QCOMPARE(zoneCursor(ResizeZone::TopRight), Qt::SizeBDiagCursor);
    QCOMPARE(zoneCursor(ResizeZone::BottomLeft), Qt::SizeBDiagCursor);
}

void TestResizeZone::manualGeometry()
{
    const QRect start(100, 50, 1200, 800);
    const QSize minSize(1100, 700);
    QCOMPARE(resizedGeometry(start, ResizeZone::Right, QPoint(40, 9), minSize), QRect(100, 50, 1240, 800));
    QCOMPARE(resizedGeometry(start, ResizeZone::Left, QPoint(-30, 0), minSize), QRect(70, 50, 1230, 800));
    QCOMPARE(resizedGeometry(start, ResizeZone::TopLeft, QPoint(-10, -20), minSize),
             QRect(90, 30, 1210, 820));
    QCOMPARE(resizedGeometry(start, ResizeZone::Bottom, QPoint(5, 25), minSize), QRect(100, 50, 1200, 825));
    // Shrinking stops at the minimum size with the opposite edge in place.
    QCOMPARE(resizedGeometry(start, ResizeZone::Left, QPoint(500, 0), minSize), QRect(200, 50, 1100, 800));
    QCOMPARE(resizedGeometry(start, ResizeZone::BottomRight, QPoint(-500, -500), minSize),
             QRect(100, 50, 1100, 700));
    QCOMPARE(resizedGeometry(start, ResizeZone::Top, QPoint(0, 400), minSize), QRect(100, 150, 1200, 700));
    QCOMPARE(resizedGeometry(start, ResizeZone::Client, QPoint(50, 50), minSize), start);
}

KELVORA_TEST_MAIN(TestResizeZone)
#include "tst_resizezone.moc"
