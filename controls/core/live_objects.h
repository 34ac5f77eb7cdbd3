// The library's live objects: each control counts itself from its construction to its
// destruction, and the library may be unloaded only when none is left.
#pragma once

#include "drapix_global.h"

namespace drapix {

DRAPIX_EXPORT void ObjectCreated();
DRAPIX_EXPORT void ObjectDestroyed();
DRAPIX_EXPORT int LiveObjects();

} // namespace drapix
