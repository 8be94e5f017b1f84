#include "common/vexa_range.h"

namespace vexa {

Range::Range()
    : m_nMin(0)
    , m_nMax(0)
{
}

Range::Range(int min, int max)
    : m_nMin(min)
    , m_nMax(max)
{
}

} // namespace vexa
