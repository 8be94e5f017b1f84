#include "common/vexa_line.h"

#include <cmath>
#include <iostream>

#include "common/vexa_angle.h"

namespace vexa {

namespace {
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;
} // namespace

Line::Line(Point_<double> p1, Point_<double> p2)
{
    initPoints(p1, p2);
}

void Line::initPoints(Point_<double> p1, Point_<double> p2)
{
    const Point_<double> d = p1 - p2;
    double dAlpha = std::atan2(d.y, d.x) * kRadToDeg;
    // Turning p1 by alpha about the origin brings the line parallel to the x
    // axis; its y is then the distance of the line from the origin.
    const double dRad = dAlpha * kDegToRad;
    double dRho = p1.y * std::cos(dRad) - p1.x * std::sin(dRad);
    if (dRho < 0) {
        dRho = -dRho;
        dAlpha = Degree(dAlpha + 180.0).getDegress();
    }
    m_dRho = dRho;
    m_dAngle = -dAlpha;
    m_dCosine = std::cos(m_dAngle * kDegToRad);
    m_dSine = std::sin(m_dAngle * kDegToRad);
}

double Line::getValue(double x) const
{
    return (m_dRho - x * m_dSine) / m_dCosine;
}

Point_<double> Line::intersect(Line l1, Line l2)
{
    const double a = l1.m_dCosine * l2.m_dSine - l2.m_dCosine * l1.m_dSine;
    if (std::fabs(a) <= 1e-14)
        std::cout << "error!!!" << std::endl;
    const double dInv = 1.0 / a;
    return Point_<double>((l2.m_dRho * l1.m_dCosine - l1.m_dRho * l2.m_dCosine) * dInv,
                          (l1.m_dRho * l2.m_dSine - l2.m_dRho * l1.m_dSine) * dInv);
}

} // namespace vexa
