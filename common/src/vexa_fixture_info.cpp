#include "common/vexa_fixture_info.h"

#include <cmath>

#include <Eigen/Dense>

namespace vexa {

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;

// Homogeneous translation in (y, x, 1) order.
Eigen::Matrix3d translation(double dy, double dx)
{
    Eigen::Matrix3d m = Eigen::Matrix3d::Identity();
    m(0, 2) = dy;
    m(1, 2) = dx;
    return m;
}

double normalisedDegrees(double angle)
{
    angle = std::fmod(angle, 360.0);
    return angle < 0 ? angle + 360.0 : angle;
}

} // namespace

FixtureInfo::FixtureInfo() = default;

FixtureInfo::~FixtureInfo() = default;

void FixtureInfo::init(double x1, double y1, double angle1, double x2, double y2, double angle2)
{
    const double dTheta = (angle2 - angle1) * kDegToRad;
    const double c = std::cos(dTheta), s = std::sin(dTheta);
    Eigen::Matrix3d rotation;
    rotation << c, -s, 0, s, c, 0, 0, 0, 1;
    // Move the reference point onto the found point, then turn about it.
    const Eigen::Matrix3d t = ((translation(y2, x2) * rotation) * translation(-y2, -x2))
        * translation(y2 - y1, x2 - x1);
    m_dA00 = t(0, 0);
    m_dA01 = t(0, 1);
    m_dT0 = t(0, 2);
    m_dA10 = t(1, 0);
    m_dA11 = t(1, 1);
    m_dT1 = t(1, 2);
    m_bInitialized = true;
}

int FixtureInfo::affineTransPoint(double x, double y, double& outX, double& outY) const
{
    const double dY = m_dA00 * y + m_dA01 * x + m_dT0;
    const double dX = m_dA10 * y + m_dA11 * x + m_dT1;
    outX = dX;
    outY = dY;
    return 0;
}

int FixtureInfo::affineTransPoint(const Point_<double>& in, Point_<double>& out) const
{
    return affineTransPoint(in.x, in.y, out.x, out.y);
}

Point_<double> FixtureInfo::affineTransPoint(const Point_<double>& in) const
{
    Point_<double> out;
    affineTransPoint(in, out);
    return out;
}

int FixtureInfo::affineTransPixel(double x, double y, double& outX, double& outY) const
{
    affineTransPoint(x + 0.5, y + 0.5, outX, outY);
    outX -= 0.5;
    outY -= 0.5;
    return 0;
}

Point_<double> FixtureInfo::transPixel(const Point_<double>& in) const
{
    Point_<double> out;
    affineTransPixel(in.x, in.y, out.x, out.y);
    return out;
}

bool FixtureInfo::turnDegrees(double& delta) const
{
    if (m_dA00 == 0)
        return false;
    delta = std::atan(m_dA10 / m_dA00) * kRadToDeg;
    return true;
}

int FixtureInfo::affineTransRect(const Rect_<double>& in, RotatedRect& out) const
{
    double dDelta = 0;
    out.setAngle(turnDegrees(dDelta) ? dDelta : 0);
    out.setSize(in.width, in.height);
    out.setCenter(transPixel(Point_<double>(in.x + in.width / 2, in.y + in.height / 2)));
    return 0;
}

int FixtureInfo::affineTransRotateRect(const RotatedRect& in, RotatedRect& out) const
{
    double dDelta = 0;
    const double dAngle = turnDegrees(dDelta) ? normalisedDegrees(in.getAngle() + dDelta) : in.getAngle();
    out = RotatedRect(transPixel(in.getCenter()), in.getWidth(), in.getHeight(), dAngle);
    return 0;
}

int FixtureInfo::affineTransCircle(const Circle& in, Circle& out) const
{
    out = Circle(transPixel(in.getCenter()), in.getRadius());
    return 0;
}

int FixtureInfo::affineTransAnnularSector(const AnnularSector& in, AnnularSector& out) const
{
    double dDelta = 0;
    const double dAngle = turnDegrees(dDelta) ? normalisedDegrees(in.getAngle() + dDelta) : in.getAngle();
    out = AnnularSector(transPixel(in.getCenter()), in.getRadius1(), in.getRadius2(), dAngle,
                        in.getAngleExtent());
    return 0;
}

int FixtureInfo::affineTransPolygon(const Polygon& in, Polygon& out) const
{
    std::vector<Point_<double>> vecPoints;
    vecPoints.reserve(in.getPoints().size());
    for (const Point_<double>& pt : in.getPoints())
        vecPoints.push_back(transPixel(pt));
    out.setPoints(vecPoints);
    return 0;
}

FixtureInfo FixtureInfo::getInverse() const
{
    Eigen::Matrix3d m;
    m << m_dA00, m_dA01, m_dT0, m_dA10, m_dA11, m_dT1, 0, 0, 1;
    const Eigen::Matrix3d inv = m.inverse();
    FixtureInfo result;
    result.m_dA00 = inv(0, 0);
    result.m_dA01 = inv(0, 1);
    result.m_dT0 = inv(0, 2);
    result.m_dA10 = inv(1, 0);
    result.m_dA11 = inv(1, 1);
    result.m_dT1 = inv(1, 2);
    return result;
}

} // namespace vexa
