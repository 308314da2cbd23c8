#!/usr/bin/env bash
# Installs what dxmonitor needs to build, test and run on Debian 12, when it is missing.
# As root it installs with apt-get; otherwise it prints the command to run and stops.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev libqt6sql6-sqlite libqt6sql6-psql
  # The History window's plot. Debian's qt6-charts-dev does not bring libqt6opengl6-dev, which
  # its CMake package needs to be found.
  qt6-charts-dev libqt6opengl6-dev
  libgtest-dev libgmock-dev libbenchmark-dev lintian
  fonts-dejavu-core fonts-wine
  iproute2
  # The desktop notifications' and the tray icon's tests run on a private session bus of their own
  # (dbus-run-session).
  dbus-daemon
  # The history's tests start a PostgreSQL server of their own, run as an unprivileged user.
  postgresql-15 util-linux
)
if [ "${DX_WITH_X:-0}" = 1 ]; then
  # xvfb also for the tray icon's test: Qt has a tray only on the xcb platform.
  packages+=(xvfb xdotool imagemagick)
fi
if [ "${DX_WITH_FUZZ:-0}" = 1 ]; then
  packages+=(clang-14 libclang-rt-14-dev)
fi
if [ "${DX_WITH_LINT:-0}" = 1 ]; then
  packages+=(clang-format-14)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "dxmonitor needs these Debian packages: ${missing[*]}" >&2
  echo "Install them with:" >&2
  echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
