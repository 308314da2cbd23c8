#!/usr/bin/env bash
# Installs into a temporary prefix and runs the installed dxmonitor as an operator who cannot
# write the program's directory: it must read Monitor.cfg from $XDG_CONFIG_HOME/dxmonitor and save
# there (Configuration, then Apply, driven with xdotool on a private X server).
set -euo pipefail
build=$1
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb or xdotool missing: skipped"; exit 77; }
[ "$(id -u)" -eq 0 ] || { echo "needs root to run as another user: skipped"; exit 77; }

work=$(mktemp -d)
chmod 755 "$work"
cleanup() {
  [ -n "${prog:-}" ] && kill "$prog" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
chmod -R go+rX "$work/prefix"

cfgdir="$work/config/dxmonitor"
mkdir -p "$cfgdir"
# The settings window at 3000,3000 twips (200,200 pixels); the connections window at the top left.
printf '"FormConnectsTop",0\r\n"FormConnectsLeft",0\r\n"FormConnectsHeight",3000\r\n"FormConnectsWidth",9000\r\n"FormSettingsTop",3000\r\n"FormSettingsLeft",3000\r\n"RemoteHost","node.example"\r\n"RemotePort",7300\r\n' > "$cfgdir/Monitor.cfg"
chown -R 65534:65534 "$work/config"

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -ac >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=$display
setpriv --reuid=65534 --regid=65534 --clear-groups \
  env HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/config" \
  "$work/prefix/bin/dxmonitor" >/dev/null 2>&1 &
prog=$!
for _ in $(seq 50); do xdotool search --onlyvisible --name "^Connections$" >/dev/null 2>&1 && break; sleep 0.2; done
xdotool search --onlyvisible --name "^Connections$" >/dev/null || { echo "the program did not start"; exit 1; }
# The Configuration menu is the first item of the connections window's menu bar.
xdotool mousemove 30 8 click 1
for _ in $(seq 25); do xdotool search --onlyvisible --name "^Settings$" >/dev/null 2>&1 && break; sleep 0.2; done
win=$(xdotool search --onlyvisible --name "^Settings$" | head -1)
eval "$(xdotool getwindowgeometry --shell "$win")"
[ "$X" -eq 200 ] && [ "$Y" -eq 200 ] || { echo "settings window at $X,$Y: the configuration was not read"; exit 1; }
# Apply sits at 2760,1080 twips in the settings window.
xdotool mousemove $((X + 184 + 20)) $((Y + 72 + 10)) click 1
for _ in $(seq 25); do [ "$(grep -c . "$cfgdir/Monitor.cfg")" -eq 15 ] && break; sleep 0.2; done
grep -q '^"RemoteHost","node.example"' "$cfgdir/Monitor.cfg" || { echo "not saved where it was read"; cat "$cfgdir/Monitor.cfg"; exit 1; }
[ "$(grep -c . "$cfgdir/Monitor.cfg")" -eq 15 ] || { echo "the save did not write every record"; exit 1; }
[ ! -e "$work/prefix/bin/Monitor.cfg" ] || { echo "saved beside the installed program"; exit 1; }
echo "installed program ok"
