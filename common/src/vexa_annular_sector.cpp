#include "common/vexa_annular_sector.h"

namespace vexa {

AnnularSector::AnnularSector()
    : m_dRadius1(0)
    , m_dRadius2(0)
    , m_dAngle(0)
    , m_dAngleExtent(0)
{
}

AnnularSector::AnnularSector(const Point_<double>& center, double radius1, double radius2, double angle,
                             double angleExtent)
    : m_ptCenter(center)
    , m_dRadius1(radius1)
    , m_dRadius2(radius2)
    , m_dAngle(angle)
    , m_dAngleExtent(angleExtent)
{
}

AnnularSector::AnnularSector(double x, double y, double radius1, double radius2, double angle,
                             double angleExtent)
    : AnnularSector(Point_<double>(x, y), radius1, radius2, angle, angleExtent)
{
}

bool AnnularSector::operator==(const AnnularSector& other) const
{
    return m_ptCenter == other.m_ptCenter && m_dRadius1 == other.m_dRadius1 && m_dRadius2 == other.m_dRadius2
        && m_dAngle == other.m_dAngle && m_dAngleExtent == other.m_dAngleExtent;
}

} // namespace vexa
