// The mouse messages a tray icon's callback carries, shared by the notification area and the
// X11 icon window that reports them.
#pragma once

#include <QtGlobal>

namespace drapix {

// The mouse messages an icon's callback carries.
constexpr quint32 WM_LBUTTONDOWN = 0x201;
constexpr quint32 WM_LBUTTONUP = 0x202;
constexpr quint32 WM_LBUTTONDBLCLK = 0x203;
constexpr quint32 WM_RBUTTONDOWN = 0x204;
constexpr quint32 WM_RBUTTONUP = 0x205;
constexpr quint32 WM_RBUTTONDBLCLK = 0x206;
constexpr quint32 WM_MBUTTONUP = 0x208;

} // namespace drapix
