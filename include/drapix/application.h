// <drapix/application.h>: what a program that hosts Drapix controls may ask of the library
// beyond the controls: the window system to start on, and fonts by name.
#pragma once

#include <drapix/drapix_global.h>

#include <QFont>
#include <QString>

namespace drapix {

/// Call before the application object is made. On a Wayland session the skin's window shapes,
/// a program's own window placement and the tray protocol need X11: unless the user chose a
/// platform (QT_QPA_PLATFORM), Qt's xcb platform is taken, which runs through XWayland.
DRAPIX_EXPORT void SelectWindowSystem();

/// A font asked for by name, with stand-ins where it is missing: "宋体" falls back to the
/// Song/Ming style CJK faces, any other face to the sans CJK faces.
DRAPIX_EXPORT QFont NamedFont(const QString& family, qreal points, bool bold = false);

} // namespace drapix
