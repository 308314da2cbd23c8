#!/usr/bin/env bash
# Runs a tray test on an X server and a session bus of its own: Qt's tray icon uses the desktop's
# StatusNotifierWatcher only on the xcb platform (offscreen has no tray at all).
# Usage: run.sh TEST-PROGRAM [ARGUMENTS...]. Without Xvfb or dbus-run-session the test is skipped
# (77), or fails when DX_NEED_DBUS=1 says they must be there, as in CI.
set -euo pipefail
missing() {
  if [ "${DX_NEED_DBUS:-0}" = 1 ]; then echo "$1 (DX_NEED_DBUS=1): failed"; exit 1; fi
  echo "$1: skipped"; exit 77
}
command -v dbus-run-session >/dev/null || missing "dbus-run-session is missing (Debian package dbus)"
command -v Xvfb >/dev/null || missing "Xvfb is missing (Debian package xvfb)"

work=$(mktemp -d)
cleanup() {
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# Xvfb picks a free display itself and says which.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
read -r -t 10 number <"$work/display" || missing "Xvfb did not start"
export DISPLAY=":$number" QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$work"
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS
dbus-run-session -- "$@"
