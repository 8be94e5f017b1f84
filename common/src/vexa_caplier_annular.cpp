#include "common/vexa_caplier_annular.h"

namespace vexa {

bool CaplierAnnular::operator==(const CaplierAnnular& other) const
{
    return CaplierParams::operator==(other) && AnnularSector::operator==(other);
}

} // namespace vexa
