#include "common/vexa_caplier_rect.h"

namespace vexa {

bool CaplierRect::operator==(const CaplierRect& other) const
{
    return CaplierParams::operator==(other) && RotatedRect::operator==(other);
}

} // namespace vexa
