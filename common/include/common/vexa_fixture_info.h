#ifndef VEXA_FIXTURE_INFO_H
#define VEXA_FIXTURE_INFO_H

#include "common/vexa_annular_sector.h"
#include "common/vexa_circle.h"
#include "common/vexa_point.h"
#include "common/vexa_polygon.h"
#include "common/vexa_rect.h"
#include "common/vexa_rotated_rect.h"

namespace vexa {

// Rigid 2-D transform carrying a region taught at a reference pose to a found
// pose. The matrix works on (y, x) column vectors:
//   y' = a00*y + a01*x + t0,   x' = a10*y + a11*x + t1.
// A default object is the identity. Every transform returns 0.
class VEXACOMMON_EXPORT FixtureInfo
{
public:
    FixtureInfo();
    FixtureInfo(const FixtureInfo& other) = default;
    FixtureInfo& operator=(const FixtureInfo& other) = default;
    virtual ~FixtureInfo();

    // Maps (x1, y1) onto (x2, y2) and turns about it by angle2 - angle1
    // degrees (counter-clockwise on screen for a positive turn).
    void init(double x1, double y1, double angle1, double x2, double y2, double angle2);
    bool isInitialized() const { return m_bInitialized; }

    int affineTransPoint(double x, double y, double& outX, double& outY) const;
    int affineTransPoint(const Point_<double>& in, Point_<double>& out) const;
    Point_<double> affineTransPoint(const Point_<double>& in) const;
    // Transforms about pixel centres: (x + 0.5, y + 0.5), then back by 0.5.
    int affineTransPixel(double x, double y, double& outX, double& outY) const;

    int affineTransRect(const Rect_<double>& in, RotatedRect& out) const;
    int affineTransRotateRect(const RotatedRect& in, RotatedRect& out) const;
    int affineTransCircle(const Circle& in, Circle& out) const;
    int affineTransAnnularSector(const AnnularSector& in, AnnularSector& out) const;
    int affineTransPolygon(const Polygon& in, Polygon& out) const;

    // The inverse transform; not marked initialised.
    FixtureInfo getInverse() const;

private:
    // Turn that the transform adds to a shape's angle, or false when a00 is 0.
    bool turnDegrees(double& delta) const;
    Point_<double> transPixel(const Point_<double>& in) const;

    double m_dA00 = 1;
    double m_dA01 = 0;
    double m_dA10 = 0;
    double m_dA11 = 1;
    double m_dT0 = 0;
    double m_dT1 = 0;
    bool m_bInitialized = false;
};

} // namespace vexa

#endif // VEXA_FIXTURE_INFO_H
