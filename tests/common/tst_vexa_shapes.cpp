#include <QtTest>

#include "TestSuite.h"

#include <cmath>
#include <limits>

#include "common/vexa_angle.h"
#include "common/vexa_caplier_annular.h"
#include "common/vexa_caplier_rect.h"
#include "common/vexa_circle.h"
#include "common/vexa_line.h"
#include "common/vexa_line_segment.h"
#include "common/vexa_polygon.h"
#include "common/vexa_range.h"
#include "common/vexa_rotated_rect.h"

using namespace vexa;

namespace {

bool near(double a, double b, double eps = 1e-9)
{
    return std::fabs(a - b) <= eps;
}

bool nearPoint(const Point_<double>& p, double x, double y, double eps = 1e-9)
{
    return near(p.x, x, eps) && near(p.y, y, eps);
}

} // namespace

class TstVexaShapes : public QObject
{
    Q_OBJECT

private slots:
    void anglesAndRange();
    void lines();
    void lineSegments();
    void rotatedRect();
    void equalityComparesEveryField();
    void caliperRecords();
    void caliperCentresFollowTheShape();
};

void TstVexaShapes::anglesAndRange()
{
    QCOMPARE(Degree(-90).getDegress(), 270.0);
    QCOMPARE(Degree(360).getDegress(), 0.0);
    QCOMPARE(Degree(720).getDegress(), 0.0);
    QVERIFY(near(Degree(-725).getDegress(), 355));
    QVERIFY(near(Radian(-M_PI / 2).getRadians(), 3 * M_PI / 2));
    QVERIFY(near(Degree(180).toRadian().getRadians(), M_PI));
    QVERIFY(near(Radian(-M_PI).toDegree().getDegress(), 180));
    Degree d;
    d.setDegress(-1);
    QCOMPARE(d.getDegress(), 359.0);
    Radian r;
    r.setRadians(7);
    QVERIFY(r.getRadians() >= 0 && r.getRadians() < 2 * M_PI);

    const Range range(5, 2);
    QCOMPARE(range.getMin(), 5);
    QCOMPARE(range.getMax(), 2);
}

void TstVexaShapes::lines()
{
    const Line horizontal(Point_<double>(5, 3), Point_<double>(6, 3));
    QCOMPARE(horizontal.getRho(), 3.0);
    QCOMPARE(horizontal.getCosine(), 1.0);
    QVERIFY(near(horizontal.getSine(), 0));
    const Line vertical(Point_<double>(2, 0), Point_<double>(2, 1));
    QVERIFY(near(vertical.getRho(), 2));
    QCOMPARE(vertical.getAngle(), 90.0);
    QVERIFY(near(vertical.getSine(), 1));
    QVERIFY(nearPoint(Line::intersect(horizontal, vertical), 2, 3));

    // Both defining points satisfy the normal form, whatever the direction.
    const Point_<double> pts[][2] = {{{1, 7}, {4, -2}}, {{-3, -3}, {5, 1}}, {{10, 0}, {0, 10}}};
    for (const auto& pair : pts) {
        for (int flip = 0; flip < 2; ++flip) {
            const Line line(pair[flip], pair[1 - flip]);
            QVERIFY(line.getRho() >= 0);
            for (const Point_<double>& p : pair)
                QVERIFY(near(p.x * line.getSine() + p.y * line.getCosine(), line.getRho(), 1e-9));
            QVERIFY(near(line.getValue(pair[0].x), pair[0].y, 1e-9));
        }
    }
    Line reused(Point_<double>(0, 0), Point_<double>(1, 1));
    reused.initPoints(Point_<double>(5, 3), Point_<double>(6, 3));
    QCOMPARE(reused.getRho(), horizontal.getRho());
    QCOMPARE(reused.getAngle(), horizontal.getAngle());
    QCOMPARE(reused.getShapeType(), SHAPE_LINE);
}

void TstVexaShapes::lineSegments()
{
    Point_<double> out(-1, -1);
    QCOMPARE(LineSegment::intersect(LineSegment(0, 0, 4, 4), LineSegment(0, 4, 4, 0), out),
             int(LineSegment::INTERSECT_ON_SEGMENTS));
    QVERIFY(nearPoint(out, 2, 2));
    // Carrier lines cross off the segments: the crossing is still reported.
    QCOMPARE(LineSegment::intersect(LineSegment(0, 0, 1, 1), LineSegment(3, 0, 4, -1), out),
             int(LineSegment::INTERSECT_OUTSIDE));
    QVERIFY(nearPoint(out, 1.5, 1.5));
    // A crossing exactly at an end counts as on the segment.
    QCOMPARE(LineSegment::intersect(LineSegment(0, 0, 2, 0), LineSegment(2, -1, 2, 1), out),
             int(LineSegment::INTERSECT_ON_SEGMENTS));
    QVERIFY(nearPoint(out, 2, 0));
    QCOMPARE(LineSegment::intersect(LineSegment(0, 0, 2, 0), LineSegment(2.5, -1, 2.5, 1), out),
             int(LineSegment::INTERSECT_OUTSIDE));

    // Parallel and collinear are told apart and leave out untouched.
    out = Point_<double>(9, 9);
    QCOMPARE(LineSegment::intersect(LineSegment(0, 0, 4, 2), LineSegment(0, 1, 4, 3), out),
             int(LineSegment::INTERSECT_PARALLEL));
    QCOMPARE(LineSegment::intersect(LineSegment(0, 0, 4, 2), LineSegment(6, 3, 8, 4), out),
             int(LineSegment::INTERSECT_COLLINEAR));
    QCOMPARE(LineSegment::intersect(LineSegment(0, 0, 4, 2), LineSegment(8, 4, 2, 1), out),
             int(LineSegment::INTERSECT_COLLINEAR));
    QCOMPARE(LineSegment::intersect(LineSegment(1, 1, 1, 1), LineSegment(0, 0, 2, 2), out),
             int(LineSegment::INTERSECT_COLLINEAR));
    QCOMPARE(LineSegment::intersect(LineSegment(1, 0, 1, 0), LineSegment(0, 0, 2, 2), out),
             int(LineSegment::INTERSECT_PARALLEL));
    QVERIFY(nearPoint(out, 9, 9));

    QVERIFY(near(LineSegment(0, 0, 1, -1).getAngle(), 45));
    QVERIFY(near(LineSegment(0, 0, 1, 1).getAngle(), 45));
    QVERIFY(near(LineSegment(0, 0, -1, 0).getAngle(), 180));
    QVERIFY(std::isnan(LineSegment(2, 2, 2, 2).getAngle()));
}

void TstVexaShapes::rotatedRect()
{
    const RotatedRect rect(Point_<double>(5, 2), 10, 4, 0);
    std::vector<Point_<double>> pts(7, Point_<double>(1, 1));
    rect.points(pts);
    QCOMPARE(int(pts.size()), 4);
    QVERIFY(nearPoint(pts[0], 0, 4));
    QVERIFY(nearPoint(pts[1], 0, 0));
    QVERIFY(nearPoint(pts[2], 10, 0));
    QVERIFY(nearPoint(pts[3], 10, 4));
    const Rect_<double> box = rect.boundingRect();
    QCOMPARE(box.x, 0.0);
    QCOMPARE(box.y, 0.0);
    QCOMPARE(box.width, 11.0);
    QCOMPARE(box.height, 5.0);

    // Turned by 90 degrees; sine and cosine are single precision.
    RotatedRect turned(rect);
    turned.setAngle(90);
    turned.points(pts);
    double dMinX = 1e9, dMaxX = -1e9, dMinY = 1e9, dMaxY = -1e9;
    for (const Point_<double>& p : pts) {
        dMinX = std::min(dMinX, p.x);
        dMaxX = std::max(dMaxX, p.x);
        dMinY = std::min(dMinY, p.y);
        dMaxY = std::max(dMaxY, p.y);
    }
    QVERIFY(near(dMinX, 3, 1e-6) && near(dMaxX, 7, 1e-6));
    QVERIFY(near(dMinY, -3, 1e-6) && near(dMaxY, 7, 1e-6));
    // Single-precision cosine of 90 degrees is not exactly 0.
    QVERIFY(pts[0].x != 3.0 && pts[0].x != 7.0);
    const Rect_<double> turnedBox = turned.boundingRect();
    QCOMPARE(turnedBox.x, 2.0); // floor(3 - epsilon)
    QCOMPARE(turnedBox.y, -3.0);

    const RotatedRect fromRect(Rect_<double>(1, 2, 4, 6));
    QVERIFY(nearPoint(fromRect.getCenter(), 3, 5));
    QCOMPARE(fromRect.getWidth(), 4.0);
    QCOMPARE(fromRect.getHeight(), 6.0);
    QCOMPARE(fromRect.getAngle(), 0.0);
    QCOMPARE(fromRect.getShapeType(), SHAPE_ROTATED_RECT);
}

void TstVexaShapes::equalityComparesEveryField()
{
    const RotatedRect rect(Point_<double>(1, 2), 3, 4, 5);
    QVERIFY(rect == RotatedRect(Point_<double>(1, 2), 3, 4, 5));
    QVERIFY(!(rect == RotatedRect(Point_<double>(1, 2), 3, 4, 6))); // angle only
    QVERIFY(!(rect == RotatedRect(Point_<double>(1, 9), 3, 9, 9))); // only x and width match
    QVERIFY(!(rect == RotatedRect(Point_<double>(9, 2), 3, 4, 5)));
    QVERIFY(rect != RotatedRect(Point_<double>(1, 2), 3, 9, 5));

    const AnnularSector sector(1, 2, 3, 4, 5, 6);
    QVERIFY(sector == AnnularSector(Point_<double>(1, 2), 3, 4, 5, 6));
    QVERIFY(!(sector == AnnularSector(1, 2, 3, 4, 5, 7)));
    QVERIFY(!(sector == AnnularSector(9, 9, 3, 9, 9, 9)));
    QVERIFY(!(sector == AnnularSector(1, 2.5, 3, 4, 5, 6)));
    QCOMPARE(sector.getShapeType(), SHAPE_ANNULAR_SECTOR);

    CaplierRect a;
    a.setCenter(Point_<double>(1, 1));
    a.setParams(5, 2, 3);
    a.setDensity(1.5);
    CaplierRect b(a);
    QVERIFY(a == b);
    b.setParams(5, 9, 9); // caliper count alone still matches
    QVERIFY(!(a == b));
    b = a;
    b.setAngle(30); // every caliper field matches, the shape does not
    QVERIFY(!(a == b));
    b = a;
    b.setDensity(1.25);
    QVERIFY(!(a == b));
    b = a;
    b.setCaplierCenterPoints({Point_<double>(0, 0)});
    QVERIFY(!(a == b));

    CaplierAnnular c;
    c.setParams(1, 2, 3);
    CaplierAnnular d(c);
    QVERIFY(c == d);
    d.setCenter(Point_<double>(0, 1));
    QVERIFY(!(c == d));
}

void TstVexaShapes::caliperRecords()
{
    CaplierRect record;
    QCOMPARE(record.getShapeType(), SHAPE_ROTATED_RECT);
    QCOMPARE(record.caplierNum(), 0);
    QVERIFY(record.getCaplierCenterPoints().empty());
    record.setParams(4, 2, 7);
    QCOMPARE(record.caplierNum(), 4);
    QCOMPARE(record.avoidLength(), 2);
    QCOMPARE(record.projectionWidth(), 7);
    record.setDensity(3.99);
    QCOMPARE(record.density(), 3);
    record.setDensity(-2.9);
    QCOMPARE(record.density(), -2);
    record.setDensity(1e30);
    QCOMPARE(record.density(), std::numeric_limits<int>::max());
    record.setDensity(std::nan(""));
    QCOMPARE(record.density(), 0);

    // Copies own their centre lists.
    record.setCaplierCenterPoints({Point_<double>(1, 2), Point_<double>(3, 4)});
    CaplierRect copy(record);
    record.setCaplierCenterPoints({Point_<double>(5, 6)});
    QCOMPARE(int(copy.getCaplierCenterPoints().size()), 2);
    QVERIFY(nearPoint(copy.getCaplierCenterPoints()[1], 3, 4));

    CaplierAnnular annular;
    QCOMPARE(annular.getShapeType(), SHAPE_ANNULAR_SECTOR);
    const ShapeBase& shape = annular;
    QCOMPARE(shape.getShapeType(), SHAPE_ANNULAR_SECTOR);
    QCOMPARE(Polygon().getShapeType(), SHAPE_POLYGON);
    QCOMPARE(Circle(Point_<double>(1, 1), 2).getShapeType(), SHAPE_CIRCLE);
}

void TstVexaShapes::caliperCentresFollowTheShape()
{
    auto near = [](const std::vector<Point_<double>>& pts, const std::vector<Point_<double>>& want) {
        if (pts.size() != want.size())
            return false;
        for (size_t i = 0; i < pts.size(); ++i)
            if (std::abs(pts[i].x - want[i].x) > 1e-9 || std::abs(pts[i].y - want[i].y) > 1e-9)
                return false;
        return true;
    };

    // 100 wide, 10 free at each end: four shares of 20 over the middle 80.
    CaplierRect rect;
    rect.setCenter(Point_<double>(10, 20));
    rect.setSize(100, 10);
    rect.setParams(4, 10, 5);
    rect.refreshParams();
    QVERIFY(near(rect.getCaplierCenterPoints(), {{-20, 20}, {0, 20}, {20, 20}, {40, 20}}));
    rect.setAngle(90);
    rect.refreshParams();
    QVERIFY(near(rect.getCaplierCenterPoints(), {{10, -10}, {10, 10}, {10, 30}, {10, 50}}));
    rect.setParams(4, 50, 5); // nothing left between the ends
    rect.refreshParams();
    QVERIFY(rect.getCaplierCenterPoints().empty());
    rect.setParams(0, 0, 5);
    rect.refreshParams();
    QVERIFY(rect.getCaplierCenterPoints().empty());

    // Mean radius 50, a quarter turn in two shares: centres at 22.5 and 67.5 degrees.
    const double a = 50 * std::cos(M_PI / 8), b = 50 * std::sin(M_PI / 8);
    CaplierAnnular ring;
    static_cast<AnnularSector&>(ring) = AnnularSector(0, 0, 40, 60, 0, 90);
    ring.setParams(2, 0, 5);
    ring.refreshParams();
    QVERIFY(near(ring.getCaplierCenterPoints(), {{a, b}, {b, a}}));
    static_cast<AnnularSector&>(ring) = AnnularSector(0, 0, 60, 40, 0, -90);
    ring.refreshParams();
    QVERIFY(near(ring.getCaplierCenterPoints(), {{a, -b}, {b, -a}}));
    // Free ends that take half the arc keep both centres inside it, in order.
    ring.setParams(2, int(std::lround(50 * M_PI / 8)), 5);
    static_cast<AnnularSector&>(ring) = AnnularSector(0, 0, 50, 50, 0, 90);
    ring.refreshParams();
    QCOMPARE(int(ring.getCaplierCenterPoints().size()), 2);
    QVERIFY(ring.getCaplierCenterPoints()[0].x > ring.getCaplierCenterPoints()[1].x);
    ring.setParams(3, 100, 5);
    ring.refreshParams();
    QVERIFY(ring.getCaplierCenterPoints().empty());
}

KELVORA_TEST_APPLESS_MAIN(TstVexaShapes)
#include "tst_vexa_shapes.moc"
