#ifndef VEXA_SHAPE_BASE_H
#define VEXA_SHAPE_BASE_H

#include "common/vexa_export.h"

namespace vexa {

enum E_SHAPE_TYPE
{
    SHAPE_LINE_SEGMENT = 1,
    SHAPE_LINE = 2,
    SHAPE_RECT = 3,
    SHAPE_ROTATED_RECT = 4,
    SHAPE_ANNULAR_SECTOR = 5,
    SHAPE_CIRCLE = 6,
    SHAPE_POLYGON = 7
};

// Base of every region shape. Coordinates are pixels, x right and y down;
// angles are degrees.
class VEXACOMMON_EXPORT ShapeBase
{
public:
    virtual ~ShapeBase();
    virtual E_SHAPE_TYPE getShapeType() const = 0;

protected:
    ShapeBase() = default;
    ShapeBase(const ShapeBase&) = default;
    ShapeBase& operator=(const ShapeBase&) = default;
};

} // namespace vexa

#endif // VEXA_SHAPE_BASE_H
