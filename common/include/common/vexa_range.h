#ifndef VEXA_RANGE_H
#define VEXA_RANGE_H

#include "common/vexa_export.h"

namespace vexa {

// An integer range, stored as given (min is not forced below max).
class VEXACOMMON_EXPORT Range
{
public:
    Range();
    Range(int min, int max);
    Range(const Range& other) = default;
    Range(Range&& other) = default;
    Range& operator=(const Range& other) = default;
    Range& operator=(Range&& other) = default;

    int getMin() const { return m_nMin; }
    int getMax() const { return m_nMax; }

private:
    int m_nMin;
    int m_nMax;
};

} // namespace vexa

#endif // VEXA_RANGE_H
