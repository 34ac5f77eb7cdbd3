#include "skin/window_system.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWidget>

#if DRAPIX_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>
#endif

namespace drapix {

void SelectWindowSystem() {
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
        qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
}

#if DRAPIX_HAVE_XCB
namespace {

xcb_connection_t* Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}

xcb_window_t Root(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

} // namespace

bool WindowManagerMovesByKeyboard() {
    xcb_connection_t* c = Connection();
    if (!c)
        return false;
    const xcb_atom_t supported = Atom(c, "_NET_SUPPORTED");
    const xcb_atom_t moveResize = Atom(c, "_NET_WM_MOVERESIZE");
    if (supported == XCB_ATOM_NONE || moveResize == XCB_ATOM_NONE)
        return false;
    xcb_get_property_reply_t* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, Root(c), supported, XCB_ATOM_ATOM, 0, 4096), nullptr);
    bool found = false;
    if (r && r->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(r));
        const int n = xcb_get_property_value_length(r) / 4;
        for (int i = 0; i < n && !found; ++i)
            found = atoms[i] == moveResize;
    }
    std::free(r);
    return found;
}

namespace {

bool SendMoveResize(QWidget* window, QPoint at, uint32_t direction, uint32_t button) {
    xcb_connection_t* c = Connection();
    if (!c || !window || !WindowManagerMovesByKeyboard())
        return false;
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = xcb_window_t(window->winId());
    ev.type = Atom(c, "_NET_WM_MOVERESIZE");
    ev.data.data32[0] = uint32_t(at.x());
    ev.data.data32[1] = uint32_t(at.y());
    ev.data.data32[2] = direction;
    ev.data.data32[3] = button;
    ev.data.data32[4] = 1; // a normal application
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_send_event(c, 0, Root(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&ev));
    xcb_flush(c);
    return true;
}

} // namespace

bool StartKeyboardMoveResize(QWidget* window, bool size) {
    constexpr uint32_t kSizeKeyboard = 9;
    constexpr uint32_t kMoveKeyboard = 10;
    return SendMoveResize(window, QCursor::pos(), size ? kSizeKeyboard : kMoveKeyboard, 0);
}

bool StartMoveFrom(QWidget* window, QPoint pressedAt) {
    constexpr uint32_t kMove = 8;
    return SendMoveResize(window, pressedAt, kMove, 1);
}

#else

bool WindowManagerMovesByKeyboard() {
    return false;
}

bool StartKeyboardMoveResize(QWidget*, bool) {
    return false;
}

bool StartMoveFrom(QWidget*, QPoint) {
    return false;
}

#endif

} // namespace drapix
