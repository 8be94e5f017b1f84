#ifndef VEXA_CAPLIER_PARAMS_H
#define VEXA_CAPLIER_PARAMS_H

#include <vector>

#include "common/vexa_export.h"
#include "common/vexa_point.h"

namespace vexa {

// Parameters and centre points of a caliper tool, shared by the caliper
// records on a rotated rectangle and on an annular sector. Placing the
// calipers is the measuring tool's job; this only carries the result.
class VEXACOMMON_EXPORT CaplierParams
{
public:
    CaplierParams() = default;
    CaplierParams(const CaplierParams& other) = default;
    CaplierParams& operator=(const CaplierParams& other) = default;

    int caplierNum() const { return m_nCaplierNum; }
    int avoidLength() const { return m_nAvoidLength; }
    int projectionWidth() const { return m_nProjectionWidth; }
    // The stored density truncated toward zero (saturating at the int range).
    int density() const;
    std::vector<Point_<double>> getCaplierCenterPoints() const { return m_vecCenterPoints; }

    void setParams(int caplierNum, int avoidLength, int projectionWidth);
    void setDensity(double density) { m_dDensity = density; }
    void setCaplierCenterPoints(const std::vector<Point_<double>>& points) { m_vecCenterPoints = points; }

    // Equal when the three integers, the density and every centre point are.
    bool operator==(const CaplierParams& other) const;

private:
    int m_nCaplierNum = 0;
    int m_nAvoidLength = 0;
    int m_nProjectionWidth = 0;
    std::vector<Point_<double>> m_vecCenterPoints;
    double m_dDensity = 0;
};

} // namespace vexa

#endif // VEXA_CAPLIER_PARAMS_H
