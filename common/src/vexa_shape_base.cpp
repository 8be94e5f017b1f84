#include "common/vexa_shape_base.h"

namespace vexa {

// Out of line so the vtable lives in the library.
ShapeBase::~ShapeBase() = default;

} // namespace vexa
