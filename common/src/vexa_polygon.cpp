#include "common/vexa_polygon.h"

namespace vexa {

Polygon::Polygon() = default;

Polygon::Polygon(const std::vector<Point_<double>>& points)
    : m_vecPoints(points)
{
}

} // namespace vexa
