#include "common/vexa_caplier_params.h"

#include <climits>
#include <cmath>

namespace vexa {

int CaplierParams::density() const
{
    // Converting a double outside the int range is undefined; saturate instead.
    if (std::isnan(m_dDensity))
        return 0;
    if (m_dDensity >= double(INT_MAX))
        return INT_MAX;
    if (m_dDensity <= double(INT_MIN))
        return INT_MIN;
    return int(m_dDensity);
}

void CaplierParams::setParams(int caplierNum, int avoidLength, int projectionWidth)
{
    m_nCaplierNum = caplierNum;
    m_nAvoidLength = avoidLength;
    m_nProjectionWidth = projectionWidth;
}

bool CaplierParams::operator==(const CaplierParams& other) const
{
    return m_nCaplierNum == other.m_nCaplierNum && m_nAvoidLength == other.m_nAvoidLength
        && m_nProjectionWidth == other.m_nProjectionWidth && m_dDensity == other.m_dDensity
        && m_vecCenterPoints == other.m_vecCenterPoints;
}

} // namespace vexa
