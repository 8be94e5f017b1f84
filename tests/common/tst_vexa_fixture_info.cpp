#include <QtTest>

#include "TestSuite.h"

#include <cmath>

#include "common/vexa_fixture_info.h"

using namespace vexa;

namespace {

bool near(double a, double b, double eps = 1e-9)
{
    return std::fabs(a - b) <= eps;
}

} // namespace

class TstVexaFixtureInfo : public QObject
{
    Q_OBJECT

private slots:
    void pointsAndPixels();
    void shapes();
    void inverse();
};

void TstVexaFixtureInfo::pointsAndPixels()
{
    FixtureInfo identity;
    QVERIFY(!identity.isInitialized());
    double x = 0, y = 0;
    QCOMPARE(identity.affineTransPoint(3.5, -2, x, y), 0);
    QCOMPARE(x, 3.5);
    QCOMPARE(y, -2.0);

    FixtureInfo shift;
    shift.init(0, 0, 0, 10, 20, 0);
    QVERIFY(shift.isInitialized());
    const Point_<double> p = shift.affineTransPoint(Point_<double>(1, 2));
    QCOMPARE(p.x, 11.0);
    QCOMPARE(p.y, 22.0);

    // A quarter turn: +x goes to -y (counter-clockwise on screen).
    FixtureInfo turn;
    turn.init(0, 0, 0, 0, 0, 90);
    QCOMPARE(turn.affineTransPoint(1, 0, x, y), 0);
    QVERIFY(near(x, 0) && near(y, -1));
    QCOMPARE(turn.affineTransPoint(0, 0, x, y), 0);
    QVERIFY(near(x, 0) && near(y, 0));
    // The pixel form turns about the pixel centre.
    QCOMPARE(turn.affineTransPixel(0, 0, x, y), 0);
    QVERIFY(near(x, 0) && near(y, -1));

    // Reference point lands on the found point, and the turn is about it.
    FixtureInfo pose;
    pose.init(3, 4, 10, 50, 60, 40);
    QCOMPARE(pose.affineTransPoint(3, 4, x, y), 0);
    QVERIFY(near(x, 50) && near(y, 60));
    pose.affineTransPoint(13, 4, x, y);
    QVERIFY(near(x, 50 + 10 * std::cos(M_PI / 6)) && near(y, 60 - 10 * std::sin(M_PI / 6)));

    FixtureInfo same;
    same.init(5, 5, 10, 5, 5, 10);
    same.affineTransPoint(-7, 9, x, y);
    QVERIFY(near(x, -7) && near(y, 9));
}

void TstVexaFixtureInfo::shapes()
{
    FixtureInfo turn30;
    turn30.init(0, 0, 0, 0, 0, 30);
    RotatedRect out;
    QCOMPARE(turn30.affineTransRotateRect(RotatedRect(Point_<double>(2, 3), 4, 5, 350), out), 0);
    QVERIFY(near(out.getAngle(), 20));
    QCOMPARE(out.getWidth(), 4.0);
    QCOMPARE(out.getHeight(), 5.0);

    // The turn seen by shapes is atan(a10 / a00): 120 degrees reads as -60.
    FixtureInfo turn120;
    turn120.init(0, 0, 0, 0, 0, 120);
    QCOMPARE(turn120.affineTransRect(Rect_<double>(0, 0, 4, 2), out), 0);
    QVERIFY(near(out.getAngle(), -60));
    double x = 0, y = 0;
    turn120.affineTransPixel(2, 1, x, y);
    QVERIFY(near(out.getCenter().x, x) && near(out.getCenter().y, y));

    FixtureInfo shift;
    shift.init(0, 0, 0, 10, 20, 0);
    Circle circle;
    QCOMPARE(shift.affineTransCircle(Circle(Point_<double>(1, 2), 7), circle), 0);
    QVERIFY(near(circle.getCenter().x, 11) && near(circle.getCenter().y, 22));
    QCOMPARE(circle.getRadius(), 7.0);

    AnnularSector sector;
    QCOMPARE(turn30.affineTransAnnularSector(AnnularSector(0, 0, 5, 9, 340, 45), sector), 0);
    QVERIFY(near(sector.getAngle(), 10));
    QCOMPARE(sector.getRadius1(), 5.0);
    QCOMPARE(sector.getRadius2(), 9.0);
    QCOMPARE(sector.getAngleExtent(), 45.0);

    Polygon polygon(std::vector<Point_<double>>(5, Point_<double>(7, 7)));
    QCOMPARE(shift.affineTransPolygon(Polygon({Point_<double>(0, 0), Point_<double>(1, 1)}), polygon), 0);
    QCOMPARE(int(polygon.getPoints().size()), 2);
    QVERIFY(near(polygon.getPoints()[1].x, 11) && near(polygon.getPoints()[1].y, 21));
}

void TstVexaFixtureInfo::inverse()
{
    FixtureInfo pose;
    pose.init(3, 4, 10, 50, 60, 47);
    const FixtureInfo back = pose.getInverse();
    QVERIFY(!back.isInitialized());
    const Point_<double> pts[] = {{0, 0}, {3, 4}, {-20, 100}, {640.5, 480.25}};
    for (const Point_<double>& p : pts) {
        const Point_<double> q = back.affineTransPoint(pose.affineTransPoint(p));
        QVERIFY(near(q.x, p.x, 1e-9) && near(q.y, p.y, 1e-9));
    }
    FixtureInfo copy(pose);
    QVERIFY(copy.isInitialized());
    QCOMPARE(copy.affineTransPoint(Point_<double>(1, 1)).x, pose.affineTransPoint(Point_<double>(1, 1)).x);
}

KELVORA_TEST_APPLESS_MAIN(TstVexaFixtureInfo)
#include "tst_vexa_fixture_info.moc"
