// The export macro, for the library's own files; its home is the public <drapix/drapix_global.h>.
#pragma once

#include "drapix/drapix_global.h"
