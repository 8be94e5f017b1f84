#ifndef VEXA_CAPLIER_RECT_H
#define VEXA_CAPLIER_RECT_H

#include "common/vexa_caplier_params.h"
#include "common/vexa_rotated_rect.h"

namespace vexa {

// Caliper tool on a rotated rectangle. Reports the rectangle's shape type.
class VEXACOMMON_EXPORT CaplierRect : public RotatedRect, public CaplierParams
{
public:
    CaplierRect() = default;
    CaplierRect(const CaplierRect& other) = default;
    CaplierRect& operator=(const CaplierRect& other) = default;

    // Places one centre per caliper, each in the middle of an equal share of the width axis,
    // leaving avoidLength() pixels free at both ends. No calipers, or nothing left
    // between the ends, gives an empty list.
    void refreshParams();

    bool operator==(const CaplierRect& other) const;
    bool operator!=(const CaplierRect& other) const { return !(*this == other); }
};

} // namespace vexa

#endif // VEXA_CAPLIER_RECT_H
