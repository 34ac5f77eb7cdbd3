#include "services/site.h"

namespace meridane {

QString SiteAddress() {
    const QString overridden = qEnvironmentVariable("MERIDANE_SITE_ADDRESS");
    return overridden.isEmpty() ? QStringLiteral(MERIDANE_SITE_ADDRESS) : overridden;
}

} // namespace meridane
