#include "common/vexa_angle.h"

#include <cmath>

namespace vexa {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;

double normalised(double value, double period)
{
    value = std::fmod(value, period);
    return value < 0 ? value + period : value;
}

} // namespace

Degree::Degree()
    : m_dValue(0)
{
}

Degree::Degree(double degrees)
    : m_dValue(degrees)
{
    norm();
}

void Degree::setDegress(double degrees)
{
    m_dValue = degrees;
    norm();
}

void Degree::norm()
{
    m_dValue = normalised(m_dValue, 360.0);
}

Radian Degree::toRadian() const
{
    return Radian(m_dValue * kDegToRad);
}

Radian::Radian()
    : m_dValue(0)
{
}

Radian::Radian(double radians)
    : m_dValue(radians)
{
    norm();
}

void Radian::setRadians(double radians)
{
    m_dValue = radians;
    norm();
}

void Radian::norm()
{
    m_dValue = normalised(m_dValue, kTwoPi);
}

Degree Radian::toDegree() const
{
    return Degree(m_dValue * kRadToDeg);
}

} // namespace vexa
