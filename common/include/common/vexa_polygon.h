#ifndef VEXA_POLYGON_H
#define VEXA_POLYGON_H

#include <vector>

#include "common/vexa_point.h"
#include "common/vexa_shape_base.h"

namespace vexa {

// Closed polygon given by its ordered corner points.
class VEXACOMMON_EXPORT Polygon : public ShapeBase
{
public:
    Polygon();
    explicit Polygon(const std::vector<Point_<double>>& points);
    Polygon(const Polygon& other) = default;
    Polygon& operator=(const Polygon& other) = default;

    const std::vector<Point_<double>>& getPoints() const { return m_vecPoints; }
    void setPoints(const std::vector<Point_<double>>& points) { m_vecPoints = points; }

    E_SHAPE_TYPE getShapeType() const override { return SHAPE_POLYGON; }

private:
    std::vector<Point_<double>> m_vecPoints;
};

} // namespace vexa

#endif // VEXA_POLYGON_H
