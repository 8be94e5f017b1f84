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

    // Places one centre per caliper, each in the middle of an equal share of the arc at the mean radius,
    // leaving avoidLength() pixels free at both ends. No calipers, or nothing left
    // between the ends, gives an empty list.
    void refreshParams();

    bool operator==(const CaplierAnnular& other) const;
    bool operator!=(const CaplierAnnular& other) const { return !(*this == other); }
};

} // namespace vexa

#endif // VEXA_CAPLIER_ANNULAR_H
