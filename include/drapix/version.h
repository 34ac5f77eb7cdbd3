// <drapix/version.h>: the version of the Drapix headers a program is built with, and of the
// library it runs with. The build of the library reads the three numbers from this file.
#pragma once

#include <drapix/drapix_global.h>

#define DRAPIX_VERSION_MAJOR 1
#define DRAPIX_VERSION_MINOR 0
#define DRAPIX_VERSION_PATCH 0
#define DRAPIX_VERSION_STRING "1.0.0"
// For comparisons: #if DRAPIX_VERSION >= QT_VERSION_CHECK(1, 1, 0)
#define DRAPIX_VERSION                                                                             \
    QT_VERSION_CHECK(DRAPIX_VERSION_MAJOR, DRAPIX_VERSION_MINOR, DRAPIX_VERSION_PATCH)

namespace drapix {

/// The version of the library the program runs with, "1.0.0"; DRAPIX_VERSION_STRING is the one
/// it was built with.
DRAPIX_EXPORT const char* LibraryVersion();

} // namespace drapix
