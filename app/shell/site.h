#pragma once

#include <QString>

namespace meridane {

// The vendor's web site: scheme and host, no trailing slash. Fixed when the program is built.
inline const QString SiteAddress = QStringLiteral(MERIDANE_SITE_ADDRESS);

// "Meridane5.0": the main window's caption head and the program file's name.
inline const QString kProductCaption = QStringLiteral("Meridane5.0");

} // namespace meridane
