#include "drapix/version.h"

namespace drapix {

const char* LibraryVersion() {
    return DRAPIX_VERSION_STRING;
}

} // namespace drapix
