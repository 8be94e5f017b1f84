#ifndef VEXA_CAPLIER_ANNULAR_H
#define VEXA_CAPLIER_ANNULAR_H

#include "common/vexa_annular_sector.h"
#include "common/vexa_caplier_params.h"

namespace vexa {

// Caliper tool on an annular sector. Reports the sector's shape type.
class VEXACOMMON_EXPORT CaplierAnnular : public AnnularSector, public CaplierParams
{
public:
    CaplierAnnular() = default;
    CaplierAnnular(const CaplierAnnular& other) = default;
    CaplierAnnular& operator=(const CaplierAnnular& other) = default;

    bool operator==(const CaplierAnnular& other) const;
    bool operator!=(const CaplierAnnular& other) const { return !(*this == other); }
};

} // namespace vexa

#endif // VEXA_CAPLIER_ANNULAR_H
