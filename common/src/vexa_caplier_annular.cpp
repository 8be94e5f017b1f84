#include "common/vexa_caplier_annular.h"

#include <cmath>

namespace vexa {

void CaplierAnnular::refreshParams()
{
    std::vector<Point_<double>> centers;
    const double dRadius = (getRadius1() + getRadius2()) / 2.0;
    // The free ends are lengths along the arc; the extent may run either way.
    const double dArc = std::abs(getAngleExtent()) * M_PI / 180.0 * dRadius - 2.0 * avoidLength();
    if (caplierNum() > 0 && dRadius > 0 && dArc > 0) {
        const double dSign = getAngleExtent() < 0 ? -1.0 : 1.0;
        const double dStart = getAngle() * M_PI / 180.0 + dSign * avoidLength() / dRadius;
        const double dStep = dArc / dRadius / caplierNum();
        const Point_<double> center = getCenter();
        for (int i = 0; i < caplierNum(); ++i) {
            const double dPhi = dStart + dSign * (i + 0.5) * dStep;
            centers.emplace_back(center.x + dRadius * std::cos(dPhi), center.y + dRadius * std::sin(dPhi));
        }
    }
    setCaplierCenterPoints(centers);
}

bool CaplierAnnular::operator==(const CaplierAnnular& other) const
{
    return CaplierParams::operator==(other) && AnnularSector::operator==(other);
}

} // namespace vexa
