#ifndef VEXA_RECT_H
#define VEXA_RECT_H

#include "common/vexa_point.h"
#include "common/vexa_shape_base.h"

namespace vexa {

// Axis-aligned rectangle given by its top-left corner and size.
template <typename T>
class Rect_ : public ShapeBase
{
public:
    Rect_()
        : x(0)
        , y(0)
        , width(0)
        , height(0)
    {
    }
    Rect_(T px, T py, T w, T h)
        : x(px)
        , y(py)
        , width(w)
        , height(h)
    {
    }
    Rect_(const Rect_& other) = default;
    Rect_& operator=(const Rect_& other) = default;

    Point_<T> tl() const { return Point_<T>(x, y); }
    E_SHAPE_TYPE getShapeType() const override { return SHAPE_RECT; }

    T x;
    T y;
    T width;
    T height;
};

using Rect2d = Rect_<double>;

} // namespace vexa

#endif // VEXA_RECT_H
