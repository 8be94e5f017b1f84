#ifndef VEXA_ROTATED_RECT_H
#define VEXA_ROTATED_RECT_H

#include <vector>

#include "common/vexa_point.h"
#include "common/vexa_rect.h"
#include "common/vexa_shape_base.h"

namespace vexa {

// Rectangle turned by angle (degrees) about its centre: width runs along
// (cos angle, sin angle), height along (-sin angle, cos angle).
class VEXACOMMON_EXPORT RotatedRect : public ShapeBase
{
public:
    RotatedRect();
    RotatedRect(const Point_<double>& center, double width, double height, double angle);
    explicit RotatedRect(Rect_<double> rect);
    RotatedRect(const RotatedRect& other) = default;
    RotatedRect(RotatedRect&& other) = default;
    RotatedRect& operator=(const RotatedRect& other) = default;
    RotatedRect& operator=(RotatedRect&& other) = default;

    Point_<double> getCenter() const { return m_ptCenter; }
    double getWidth() const { return m_dWidth; }
    double getHeight() const { return m_dHeight; }
    double getAngle() const { return m_dAngle; }
    void setCenter(const Point_<double>& center) { m_ptCenter = center; }
    void setSize(double width, double height)
    {
        m_dWidth = width;
        m_dHeight = height;
    }
    void setAngle(double angle) { m_dAngle = angle; }

    // Replaces pts with the four corners. Sine and cosine are rounded to single
    // precision, as the measuring tools expect.
    void points(std::vector<Point_<double>>& pts) const;
    // Smallest inclusive pixel rectangle holding the corners.
    Rect_<double> boundingRect() const;

    // Equal when center, width, height and angle all are.
    bool operator==(const RotatedRect& other) const;
    bool operator!=(const RotatedRect& other) const { return !(*this == other); }

    E_SHAPE_TYPE getShapeType() const override { return SHAPE_ROTATED_RECT; }

private:
    Point_<double> m_ptCenter;
    double m_dWidth;
    double m_dHeight;
    double m_dAngle;
};

} // namespace vexa

#endif // VEXA_ROTATED_RECT_H
