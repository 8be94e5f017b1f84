#ifndef VEXA_CIRCLE_H
#define VEXA_CIRCLE_H

#include "common/vexa_point.h"
#include "common/vexa_shape_base.h"

namespace vexa {

class VEXACOMMON_EXPORT Circle : public ShapeBase
{
public:
    Circle();
    Circle(const Point_<double>& center, double radius);
    Circle(const Circle& other) = default;
    Circle(Circle&& other) = default;
    Circle& operator=(const Circle& other) = default;
    Circle& operator=(Circle&& other) = default;

    Point_<double> getCenter() const { return m_ptCenter; }
    double getRadius() const { return m_dRadius; }
    void setCenter(const Point_<double>& center) { m_ptCenter = center; }
    void setRadius(double radius) { m_dRadius = radius; }

    E_SHAPE_TYPE getShapeType() const override { return SHAPE_CIRCLE; }

private:
    Point_<double> m_ptCenter;
    double m_dRadius;
};

} // namespace vexa

#endif // VEXA_CIRCLE_H
