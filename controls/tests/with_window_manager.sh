#!/bin/sh
# Runs a program on a virtual X display of its own (Xvfb) with a window manager (openbox), on
# Qt's X11 platform; removes both afterwards. Exits 77 (skipped) when either is missing.
#   with_window_manager.sh PROGRAM [ARGS...]
for tool in Xvfb openbox; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (Debian: xvfb, openbox)"
        exit 77
    fi
done
work="$(mktemp -d)"
xvfb=""
wm=""
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
# Xvfb picks a free display number itself and writes it to descriptor 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "Xvfb did not start:"; cat "$work/xvfb.log"; exit 1
fi
DISPLAY=":$(cat "$work/display")"
export DISPLAY
HOME="$work" openbox >"$work/openbox.log" 2>&1 &
wm=$!
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "openbox did not start:"; cat "$work/openbox.log"; exit 1
fi
echo "display $DISPLAY with openbox"
QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS=disabled: "$@"
