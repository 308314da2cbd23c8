#!/usr/bin/env bash
# Installs what is missing, builds dxmonitor and its node simulator into build/, starts nodesim on
# a loopback port and starts dxmonitor set up to reach it: press "Connect" to see a live node.
# A build/Monitor.cfg that is already there is kept; nodesim then listens on the port it names.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DDX_BUILD_TESTS=OFF
cmake --build build -j "$(nproc)" --target dxmonitor nodesim

port=7399
cfg=build/Monitor.cfg
if [ -f "$cfg" ]; then
  named=$(sed -n 's/^"RemotePort",[[:space:]]*\([0-9][0-9]*\).*/\1/p' "$cfg" | tail -1)
  [ -n "$named" ] && port=$named
  echo "Keeping $cfg (node port $port)."
else
  # Connections window top left, monitor window below it, the node on a loopback port.
  printf '"FormConnectsTop",0\r\n"FormConnectsLeft",0\r\n"FormConnectsHeight",6600\r\n"FormConnectsWidth",16000\r\n' > "$cfg"
  printf '"FormMonitorTop",6700\r\n"FormMonitorLeft",0\r\n"FormMonitorHeight",7400\r\n"FormMonitorWidth",12400\r\n' >> "$cfg"
  printf '"KelLatestVersion","1.93"\r\n"RemoteHost","127.0.0.1"\r\n"RemotePort",%s\r\n' "$port" >> "$cfg"
fi

build/nodesim --port "$port" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 0.5
echo "nodesim is listening on 127.0.0.1:$port. Press \"Connect\" in the Monitor window."
build/dxmonitor
