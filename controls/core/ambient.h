// What the library takes from its host: the user-mode flag, fonts by name with the CJK
// stand-ins, colours in the 0x00BBGGRR / system-colour form, the menu-bar height.
#pragma once

#include "drapix/application.h"
#include "drapix_global.h"

#include <QColor>
#include <QFont>
#include <QString>

namespace drapix {

// False while the controls run inside a form designer; True in a running program.
DRAPIX_EXPORT bool UserMode();
DRAPIX_EXPORT void SetUserMode(bool userMode);

// NamedFont: <drapix/application.h>.

// The skin's face colour (#D5DEF2): the back of a skinned form that had the system's button
// face, and of the duplicate warning.
inline const QColor kSkinFace{213, 222, 242};

// 0x00BBGGRR, or a system-colour code 0x800000nn.
DRAPIX_EXPORT QColor OleColor(quint32 value);

// The height of a standard menu bar in pixels; 0 when it cannot be measured.
DRAPIX_EXPORT int MenuBarHeight();

} // namespace drapix
