#ifndef VEXA_POINT_H
#define VEXA_POINT_H

namespace vexa {

// A 2-D point; x is the column, y the row.
template <typename T>
class Point_
{
public:
    Point_()
        : x(0)
        , y(0)
    {
    }
    Point_(T px, T py)
        : x(px)
        , y(py)
    {
    }

    bool operator==(const Point_& other) const { return x == other.x && y == other.y; }
    bool operator!=(const Point_& other) const { return !(*this == other); }

    T x;
    T y;
};

template <typename T>
Point_<T> operator-(const Point_<T>& a, const Point_<T>& b)
{
    return Point_<T>(a.x - b.x, a.y - b.y);
}

using Point2d = Point_<double>;

} // namespace vexa

#endif // VEXA_POINT_H
