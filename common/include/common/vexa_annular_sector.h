#ifndef VEXA_ANNULAR_SECTOR_H
#define VEXA_ANNULAR_SECTOR_H

#include "common/vexa_point.h"
#include "common/vexa_shape_base.h"

namespace vexa {

// Part of a ring about center between radius1 and radius2, starting at angle
// and spanning angleExtent (degrees). Radii and angles are kept as given.
class VEXACOMMON_EXPORT AnnularSector : public ShapeBase
{
public:
    AnnularSector();
    AnnularSector(const Point_<double>& center, double radius1, double radius2, double angle,
                  double angleExtent);
    AnnularSector(double x, double y, double radius1, double radius2, double angle, double angleExtent);
    AnnularSector(const AnnularSector& other) = default;
    AnnularSector& operator=(const AnnularSector& other) = default;

    Point_<double> getCenter() const { return m_ptCenter; }
    double getRadius1() const { return m_dRadius1; }
    double getRadius2() const { return m_dRadius2; }
    double getAngle() const { return m_dAngle; }
    double getAngleExtent() const { return m_dAngleExtent; }
    void setCenter(const Point_<double>& center) { m_ptCenter = center; }
    void setAngle(double angle) { m_dAngle = angle; }

    // Equal when center, both radii, angle and extent all are.
    bool operator==(const AnnularSector& other) const;
    bool operator!=(const AnnularSector& other) const { return !(*this == other); }

    E_SHAPE_TYPE getShapeType() const override { return SHAPE_ANNULAR_SECTOR; }

private:
    Point_<double> m_ptCenter;
    double m_dRadius1;
    double m_dRadius2;
    double m_dAngle;
    double m_dAngleExtent;
};

} // namespace vexa

#endif // VEXA_ANNULAR_SECTOR_H
