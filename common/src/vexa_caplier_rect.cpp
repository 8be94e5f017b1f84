#include "common/vexa_caplier_rect.h"

#include <cmath>

namespace vexa {

void CaplierRect::refreshParams()
{
    std::vector<Point_<double>> centers;
    const double dLength = getWidth() - 2.0 * avoidLength();
    if (caplierNum() > 0 && dLength > 0) {
        const double dTheta = getAngle() * M_PI / 180.0;
        const double dStep = dLength / caplierNum();
        const Point_<double> center = getCenter();
        for (int i = 0; i < caplierNum(); ++i) {
            const double dOffset = -dLength / 2.0 + (i + 0.5) * dStep;
            centers.emplace_back(center.x + dOffset * std::cos(dTheta),
                                 center.y + dOffset * std::sin(dTheta));
        }
    }
    setCaplierCenterPoints(centers);
}

bool CaplierRect::operator==(const CaplierRect& other) const
{
    return CaplierParams::operator==(other) && RotatedRect::operator==(other);
}

} // namespace vexa
