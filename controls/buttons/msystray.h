// MSysTray: the tray control's hook on its host form. The hook watches the host window for the
// notification area's callback message and for the window's end. Each host window has a hook
// state of its own (its attached control and its hook), so that every form of a process can
// carry its own SysTray.
#pragma once

#include "drapix_global.h"

#include <QString>

#include <functional>
#include <optional>

class QObject;
class QWidget;

namespace drapix {

// The callback message of the tray icon: the platform's first user message 0x400 plus 101.
constexpr quint32 TrayCallbackMessage = 0x400 + 101; // 1125

// The control's events, by dispatch id.
enum class TrayEvent { rMouseDblClick = 1, lMouseDblClick = 2, lMouseDown = 3, rMouseDown = 4 };

// The event a callback's mouse message raises: releases raise lMouseDown and rMouseDown,
// double clicks the two double-click events; any other message raises nothing.
DRAPIX_EXPORT std::optional<TrayEvent> TrayEventFor(quint32 lParam);
DRAPIX_EXPORT QString TrayEventName(TrayEvent event);

// The tip field: the caption padded with blanks to 64 characters, or cut to 64 (a character
// outside the basic plane is never cut in half).
DRAPIX_EXPORT QString TrayTipField(const QString& caption);

// What the hook asks of the control it is attached for: to raise an event for a callback
// message, and to take its icon away when the host window ends.
struct TrayHookCalls {
    std::function<void(TrayEvent)> raise;
    std::function<void()> hostEnds;
};

// Hooks the host window for the control: from now on the host's callback messages raise the
// control's events, and the host window's end removes its icon (through calls).
DRAPIX_EXPORT void HookTrayWindow(QObject* control, QWidget* host, TrayHookCalls calls);
// Takes the hook off the host window, when it is the control's (nullptr: whoever's).
DRAPIX_EXPORT void UnhookTrayWindow(QWidget* host, const QObject* control = nullptr);
// The control attached to the host window; nullptr when the window is not hooked.
DRAPIX_EXPORT QObject* AttachedControl(const QWidget* host);
DRAPIX_EXPORT int HookedTrayWindows();

} // namespace drapix
