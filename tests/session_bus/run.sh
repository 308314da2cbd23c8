#!/usr/bin/env bash
# Runs the given test program on a private session bus of its own (dbus-run-session), so that the
# tests never reach the desktop's bus. Without dbus-run-session the tests are skipped, or fail where
# DX_NEED_DBUS=1 says it must be there (as in CI).
set -euo pipefail
if ! command -v dbus-run-session >/dev/null; then
  echo "dbus-run-session is not installed (Debian: dbus-daemon)"
  [ "${DX_NEED_DBUS:-0}" = 1 ] && exit 1
  exit 77
fi
exec dbus-run-session -- env DX_PRIVATE_SESSION_BUS=1 "$@"
