#!/usr/bin/env bash
# Plays a recorded node session into the real program and watches its resident memory.
#
# Starts a private X server, `nodesim --replay FILE` on a loopback port (as fast as the program
# reads, unless SOAK_PACE=recorded), and a copy of build/dxmonitor set up to reach it; presses
# "Connect", then writes one line per SOAK_INTERVAL seconds (time, seconds since Connect, resident
# memory in kB, the program's CPU seconds) until the replay is over and the program has been idle for
# two samples. Ends with a summary: memory at the start, the peak, and the lowest and highest value
# over the second half of the run, which is what "flat" is judged on.
#
# Usage: scripts/soak.sh RECORDING [LOG]
# Environment: SOAK_INTERVAL (default 10), SOAK_PORT (default 7412), SOAK_PACE (fast or recorded),
#              BUILD (the build directory, default build).
# Needs: build/dxmonitor and build/nodesim (built here when missing), Xvfb and xdotool
# (DX_WITH_X=1 scripts/deps.sh).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
recording="${1:?usage: scripts/soak.sh RECORDING [LOG]}"
recording="$(cd "$(dirname "$recording")" && pwd)/$(basename "$recording")"
log="${2:-soak.log}"
interval="${SOAK_INTERVAL:-10}"
port="${SOAK_PORT:-7412}"
pace="${SOAK_PACE:-fast}"
build="$(cd "$root" && realpath -m "${BUILD:-build}")"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "soak.sh: $tool is missing (DX_WITH_X=1 scripts/deps.sh)" >&2; exit 2; }
done
if [ ! -x "$build/dxmonitor" ] || [ ! -x "$build/nodesim" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" -j "$(nproc)" --target dxmonitor nodesim
fi

work="$(mktemp -d)"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A display nobody uses.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1600x1200x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

replay=(--replay "$recording" --replay-exit)
[ "$pace" = fast ] && replay+=(--replay-fast)
"$build/nodesim" --port "$port" "${replay[@]}" >"$work/nodesim.out" 2>"$work/nodesim.err" &
nodesim=$!
pids+=($nodesim)
# A long recording takes a while to read: the program connects once nodesim listens.
until grep -q 'monitor port listening' "$work/nodesim.err"; do
  kill -0 "$nodesim" 2>/dev/null || { cat "$work/nodesim.err" >&2; echo "soak.sh: nodesim ended" >&2; exit 1; }
  sleep 0.2
done

# The program reads Monitor.cfg beside itself: a private copy keeps the build's own file untouched.
cp "$build/dxmonitor" "$work/"
printf '"FormConnectsTop",0\r\n"FormConnectsLeft",0\r\n"FormConnectsHeight",6600\r\n"FormConnectsWidth",16000\r\n' >"$work/Monitor.cfg"
printf '"FormMonitorTop",6700\r\n"FormMonitorLeft",0\r\n"FormMonitorHeight",7400\r\n"FormMonitorWidth",12400\r\n' >>"$work/Monitor.cfg"
printf '"KelLatestVersion","1.93"\r\n"RemoteHost","127.0.0.1"\r\n"RemotePort",%s\r\n' "$port" >>"$work/Monitor.cfg"
"$work/dxmonitor" >"$work/dxmonitor.out" 2>&1 &
program=$!
pids+=($program)

window=""
for _ in $(seq 100); do
  window="$(xdotool search --name '^Monitor$' 2>/dev/null | head -1 || true)"
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "soak.sh: the Monitor window did not appear" >&2; exit 1; }
sleep 1
xdotool mousemove --window "$window" 36 12 click 1   # "Connect", top left of the Monitor window

ticks="$(getconf CLK_TCK)"
started=$(date +%s)
echo "# soak: $recording, pace $pace, one sample every $interval s" >"$log"
echo "# time seconds rss_kB cpu_s" >>"$log"
idle=0
last_cpu=-1
while kill -0 "$program" 2>/dev/null; do
  now=$(date +%s)
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$program/status")
  read -r utime stime < <(awk '{print $14, $15}' "/proc/$program/stat")
  cpu=$(( (utime + stime) / ticks ))
  echo "$(date +%T) $((now - started)) $rss $cpu" | tee -a "$log"
  if ! kill -0 "$nodesim" 2>/dev/null; then
    # The replay is over; the program has caught up once it stops spending time.
    if [ "$cpu" -eq "$last_cpu" ]; then idle=$((idle + 1)); else idle=0; fi
    [ "$idle" -ge 2 ] && break
  fi
  last_cpu=$cpu
  sleep "$interval"
done

echo "# nodesim: $(grep -c ' recv ' "$work/nodesim.out" || true) commands received from the program" | tee -a "$log"
grep -E 'all [0-9]+ chunks sent' "$work/nodesim.err" | sed 's/^/# nodesim: /' | tee -a "$log" || true
awk '!/^#/ {n++; t[n]=$2; r[n]=$3}
     END {
       if (n == 0) { print "# no samples"; exit }
       peak = 0; for (i = 1; i <= n; i++) if (r[i] > peak) peak = r[i]
       half = int((n + 1) / 2); lo = r[half]; hi = r[half]
       for (i = half; i <= n; i++) { if (r[i] < lo) lo = r[i]; if (r[i] > hi) hi = r[i] }
       printf "# %d samples over %d s: start %d kB, peak %d kB; second half (from %d s) %d to %d kB\n",
              n, t[n], r[1], peak, t[half], lo, hi
     }' "$log" | tee -a "$log"
