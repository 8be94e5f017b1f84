#include "common/vexa_line_segment.h"

#include <cmath>

namespace vexa {

namespace {

// Within the segment's bounding box on one axis, ends included.
bool withinExtent(double p, double start, double extent)
{
    return std::fabs(p - start - extent / 2) <= std::fabs(extent / 2);
}

} // namespace

LineSegment::LineSegment() = default;

LineSegment::LineSegment(double x1, double y1, double x2, double y2)
    : m_ptStart(x1, y1)
    , m_ptEnd(x2, y2)
{
}

LineSegment::LineSegment(Point_<double> start, Point_<double> end)
    : m_ptStart(start)
    , m_ptEnd(end)
{
}

double LineSegment::getAngle() const
{
    const double dx = m_ptEnd.x - m_ptStart.x;
    const double dy = m_ptEnd.y - m_ptStart.y;
    return std::acos(dx / std::sqrt(dx * dx + dy * dy)) * 180.0 / 3.141592653589793;
}

int LineSegment::intersect(const LineSegment& s1, const LineSegment& s2, Point_<double>& out)
{
    const double a = s1.m_ptStart.x, b = s1.m_ptStart.y;
    const double c = s2.m_ptStart.x, d = s2.m_ptStart.y;
    const double dx1 = s1.m_ptEnd.x - a, dy1 = s1.m_ptEnd.y - b;
    const double dx2 = s2.m_ptEnd.x - c, dy2 = s2.m_ptEnd.y - d;
    const double e = dy1 * dx2 - dy2 * dx1;
    if (e == 0) {
        // Same carrier line when s2's start lies on s1's line and s1's start
        // on s2's (the second test covers a zero-length s1).
        const bool bOnFirst = (c - a) * dy1 - (d - b) * dx1 == 0;
        const bool bOnSecond = (a - c) * dy2 - (b - d) * dx2 == 0;
        return bOnFirst && bOnSecond ? INTERSECT_COLLINEAR : INTERSECT_PARALLEL;
    }
    out.x = (dx1 * dx2 * (d - b) + dy1 * dx2 * a - dy2 * dx1 * c) / e;
    out.y = -(dy1 * dy2 * (c - a) + dy2 * dx1 * b - dy1 * dx2 * d) / e;
    if (!withinExtent(out.x, a, dx1) || !withinExtent(out.y, b, dy1) || !withinExtent(out.x, c, dx2)
        || !withinExtent(out.y, d, dy2))
        return INTERSECT_OUTSIDE;
    return INTERSECT_ON_SEGMENTS;
}

} // namespace vexa
