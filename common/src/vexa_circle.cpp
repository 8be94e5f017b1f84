#include "common/vexa_circle.h"

namespace vexa {

Circle::Circle()
    : m_dRadius(0)
{
}

Circle::Circle(const Point_<double>& center, double radius)
    : m_ptCenter(center)
    , m_dRadius(radius)
{
}

} // namespace vexa
