#ifndef VEXA_LINE_H
#define VEXA_LINE_H

#include "common/vexa_point.h"
#include "common/vexa_shape_base.h"

namespace vexa {

// Infinite line in normal form: every point (x, y) on it satisfies
// x * sine + y * cosine = rho, with rho >= 0. The stored angle (degrees) is the
// negated direction angle, so it lies in (-360, 180].
class VEXACOMMON_EXPORT Line : public ShapeBase
{
public:
    Line(Point_<double> p1, Point_<double> p2);
    Line(const Line& other) = default;
    Line& operator=(const Line& other) = default;

    // Re-initialises the line through p1 and p2, as the constructor does.
    void initPoints(Point_<double> p1, Point_<double> p2);

    double getAngle() const { return m_dAngle; }
    double getCosine() const { return m_dCosine; }
    double getSine() const { return m_dSine; }
    double getRho() const { return m_dRho; }
    // The y of the line at x; not finite for a vertical line.
    double getValue(double x) const;

    // Crossing of two lines. Parallel lines print "error!!!" and give a
    // non-finite or meaningless point.
    static Point_<double> intersect(Line l1, Line l2);

    E_SHAPE_TYPE getShapeType() const override { return SHAPE_LINE; }

private:
    double m_dAngle = 0;
    double m_dCosine = 1;
    double m_dSine = 0;
    double m_dRho = 0;
};

} // namespace vexa

#endif // VEXA_LINE_H
