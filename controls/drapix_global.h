// Export and import of the library's symbols.
#pragma once

#include <QtGlobal>

#if defined(DRAPIX_BUILDING)
#define DRAPIX_EXPORT Q_DECL_EXPORT
#else
#define DRAPIX_EXPORT Q_DECL_IMPORT
#endif
