#!/bin/sh
# Runs a program on a virtual X display of its own (Xvfb) with a window manager (openbox) and an
# X11 notification area (trayer), on Qt's X11 platform; removes them afterwards. With --no-tray
# no notification area is started (the program may start one itself: DRAPIX_TRAY_HOST names
# the command). Exits 77 (skipped) when a tool is missing.
#   with_tray.sh [--no-tray] PROGRAM [ARGS...]
tray=1
if [ "$1" = "--no-tray" ]; then
    tray=0
    shift
fi
for tool in Xvfb openbox trayer xdotool xprop xwininfo; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (Debian: xvfb, openbox, trayer, xdotool, x11-utils)"
        exit 77
    fi
done
work="$(mktemp -d)"
xvfb=""
wm=""
host=""
cleanup() {
    [ -n "$host" ] && kill "$host" 2>/dev/null && wait "$host" 2>/dev/null
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
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    echo "openbox did not start:"; cat "$work/openbox.log"; exit 1
fi
# A small notification area at the top right that grows with its icons.
DRAPIX_TRAY_HOST="trayer --edge top --align right --widthtype request --height 32 --SetDockType true"
export DRAPIX_TRAY_HOST
if [ "$tray" = 1 ]; then
    $DRAPIX_TRAY_HOST >"$work/trayer.log" 2>&1 &
    host=$!
    # trayer's panel window shows once it owns the tray selection.
    for _ in $(seq 100); do
        xwininfo -root -tree 2>/dev/null | grep -q '"panel": ("panel" "trayer")' && break
        sleep 0.1
    done
    if ! xwininfo -root -tree 2>/dev/null | grep -q '"panel": ("panel" "trayer")'; then
        echo "trayer did not start:"; cat "$work/trayer.log"; exit 1
    fi
    echo "display $DISPLAY with openbox and trayer"
else
    echo "display $DISPLAY with openbox, no notification area"
fi
DRAPIX_TRAY_RUNNING=$tray QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS=disabled: "$@"
