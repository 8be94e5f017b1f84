#include "common/vexa_rotated_rect.h"

#include <algorithm>
#include <cmath>

namespace vexa {

RotatedRect::RotatedRect()
    : m_dWidth(0)
    , m_dHeight(0)
    , m_dAngle(0)
{
}

RotatedRect::RotatedRect(const Point_<double>& center, double width, double height, double angle)
    : m_ptCenter(center)
    , m_dWidth(width)
    , m_dHeight(height)
    , m_dAngle(angle)
{
}

RotatedRect::RotatedRect(Rect_<double> rect)
    : m_ptCenter((2 * rect.x + rect.width) / 2, (2 * rect.y + rect.height) / 2)
    , m_dWidth(rect.width)
    , m_dHeight(rect.height)
    , m_dAngle(0)
{
}

void RotatedRect::points(std::vector<Point_<double>>& pts) const
{
    const double dTheta = m_dAngle * 3.141592653589793 / 180.0;
    const float a = float(std::sin(dTheta)) * 0.5f;
    const float b = float(std::cos(dTheta)) * 0.5f;
    const double cx = m_ptCenter.x, cy = m_ptCenter.y;

    pts.clear();
    pts.reserve(4);
    pts.emplace_back(cx - a * m_dHeight - b * m_dWidth, cy + b * m_dHeight - a * m_dWidth);
    pts.emplace_back(cx + a * m_dHeight - b * m_dWidth, cy - b * m_dHeight - a * m_dWidth);
    pts.emplace_back(2 * cx - pts[0].x, 2 * cy - pts[0].y);
    pts.emplace_back(2 * cx - pts[1].x, 2 * cy - pts[1].y);
}

Rect_<double> RotatedRect::boundingRect() const
{
    std::vector<Point_<double>> pts;
    points(pts);
    double dMinX = pts[0].x, dMaxX = pts[0].x, dMinY = pts[0].y, dMaxY = pts[0].y;
    for (const Point_<double>& pt : pts) {
        dMinX = std::min(dMinX, pt.x);
        dMaxX = std::max(dMaxX, pt.x);
        dMinY = std::min(dMinY, pt.y);
        dMaxY = std::max(dMaxY, pt.y);
    }
    const double x0 = std::floor(dMinX), y0 = std::floor(dMinY);
    const double x1 = std::ceil(dMaxX), y1 = std::ceil(dMaxY);
    return Rect_<double>(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
}

bool RotatedRect::operator==(const RotatedRect& other) const
{
    return m_ptCenter == other.m_ptCenter && m_dWidth == other.m_dWidth && m_dHeight == other.m_dHeight
        && m_dAngle == other.m_dAngle;
}

} // namespace vexa
