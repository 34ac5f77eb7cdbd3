#pragma once

#include <QString>

namespace meridane {

// The vendor's web site: scheme and host, no trailing slash. Fixed when the program is built;
// the environment variable MERIDANE_SITE_ADDRESS, when set, replaces it (a private mirror, tests).
QString SiteAddress();

// "Meridane5.0": the main window's caption head and the program file's name.
inline const QString kProductCaption = QStringLiteral("Meridane5.0");

} // namespace meridane
