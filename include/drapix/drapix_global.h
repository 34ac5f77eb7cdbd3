// <drapix/drapix_global.h>: the export of the library's symbols. Every public header of Drapix
// includes it; a program never defines DRAPIX_BUILDING.
#pragma once

#include <QtGlobal>

#if defined(DRAPIX_BUILDING)
#define DRAPIX_EXPORT Q_DECL_EXPORT
#else
#define DRAPIX_EXPORT Q_DECL_IMPORT
#endif
