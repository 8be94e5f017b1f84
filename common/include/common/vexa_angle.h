#ifndef VEXA_ANGLE_H
#define VEXA_ANGLE_H

#include "common/vexa_export.h"

namespace vexa {

class Radian;

// An angle in degrees, always kept in [0, 360).
class VEXACOMMON_EXPORT Degree
{
public:
    Degree();
    Degree(double degrees);
    Degree(const Degree& other) = default;
    Degree& operator=(const Degree& other) = default;

    double getDegress() const { return m_dValue; }
    void setDegress(double degrees);
    void norm();
    Radian toRadian() const;

private:
    double m_dValue;
};

// An angle in radians, always kept in [0, 2 pi).
class VEXACOMMON_EXPORT Radian
{
public:
    Radian();
    Radian(double radians);
    Radian(const Radian& other) = default;
    Radian& operator=(const Radian& other) = default;

    double getRadians() const { return m_dValue; }
    void setRadians(double radians);
    void norm();
    Degree toDegree() const;

private:
    double m_dValue;
};

} // namespace vexa

#endif // VEXA_ANGLE_H
