#ifndef VEXA_LINE_SEGMENT_H
#define VEXA_LINE_SEGMENT_H

#include "common/vexa_point.h"
#include "common/vexa_shape_base.h"

namespace vexa {

class VEXACOMMON_EXPORT LineSegment : public ShapeBase
{
public:
    // Results of intersect().
    enum E_Intersection
    {
        INTERSECT_ON_SEGMENTS = -1, // the crossing lies on both segments; written to out
        INTERSECT_OUTSIDE = 0,      // the carrier lines cross off a segment; crossing written to out
        INTERSECT_PARALLEL = 1,     // parallel, on distinct lines; out untouched
        INTERSECT_COLLINEAR = 2     // both on one line (overlapping or not); out untouched
    };

    LineSegment();
    LineSegment(double x1, double y1, double x2, double y2);
    LineSegment(Point_<double> start, Point_<double> end);
    LineSegment(const LineSegment& other) = default;
    LineSegment& operator=(const LineSegment& other) = default;

    Point_<double> getStart() const { return m_ptStart; }
    Point_<double> getEnd() const { return m_ptEnd; }
    // Angle to the x axis in [0, 180], ignoring the sign of dy; NaN for a
    // segment of length 0.
    double getAngle() const;

    // One of E_Intersection. The carrier-line crossing is written to out only
    // for INTERSECT_ON_SEGMENTS and INTERSECT_OUTSIDE; segment ends count as on
    // the segment. A zero-length segment gives INTERSECT_COLLINEAR when it lies
    // on the other segment's line, else INTERSECT_PARALLEL.
    static int intersect(const LineSegment& s1, const LineSegment& s2, Point_<double>& out);

    E_SHAPE_TYPE getShapeType() const override { return SHAPE_LINE_SEGMENT; }

private:
    Point_<double> m_ptStart;
    Point_<double> m_ptEnd;
};

} // namespace vexa

#endif // VEXA_LINE_SEGMENT_H
