#!/usr/bin/env bash
# A node whose host vanishes: no close, no reset, just nothing more. The node (nodesim) runs in a
# network namespace of its own, joined by a veth pair to a namespace made for the program; a
# blackhole route in the node's namespace then silences it. The program (started with --connect
# --reconnect) must report the lost link and plan its next try within about 100 s, and that try
# must reach the node once it answers again. Prints how long the program took to notice.
# Every interface, address and route lives in the two namespaces made here and vanishes with them.
#
# Usage: dead_link.sh DXMONITOR NODESIM
set -euo pipefail

skip() {
  echo "dead_link: skipped: $*"
  exit 77
}

if [ -z "${DX_DEAD_LINK_INSIDE:-}" ]; then
  [ "$(id -u)" -eq 0 ] || skip "network namespaces need root"
  for tool in ip unshare nsenter timeout; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
  done
  unshare -n true 2>/dev/null || skip "no network namespace can be made here"
  # From here on the test runs in the program's namespace: a fresh one, with nothing but lo.
  DX_DEAD_LINK_INSIDE=1 exec unshare -n bash "$0" "$@"
fi

program=$1
nodesim=$2
limit=110 # seconds from the silence to the planned try
program_addr=10.99.0.1
node_addr=10.99.0.2
port=7399

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() {
  echo "dead_link: FAIL: $*"
  echo "--- the program's traffic log (last lines)"
  tail -n 15 "$work/traffic.log" 2>/dev/null || true
  echo "--- the program's output"
  cat "$work/program.out" 2>/dev/null || true
  exit 1
}

# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.2
  done
}

# The node's namespace lives as long as this process (at most ten minutes, whatever happens here).
unshare -n sleep 600 &
holder=$!
pids+=("$holder")
own_net=$(readlink /proc/self/ns/net)
node_netns_ready() { [ "$(readlink "/proc/$holder/ns/net" 2>/dev/null)" != "$own_net" ]; }
wait_for 5 node_netns_ready || fail "the node's namespace was not made"
in_node() { nsenter -t "$holder" -n "$@"; }

ip link set lo up
ip link add dxmon type veth peer name dxnode netns "$holder"
ip addr add "$program_addr/30" dev dxmon
ip link set dxmon up
in_node ip link set lo up
in_node ip addr add "$node_addr/30" dev dxnode
in_node ip link set dxnode up

# nsenter runs the command in its own place, so the pid kept is the one that ends it all.
nsenter -t "$holder" -n timeout 300 "$nodesim" --host "$node_addr" --port "$port" --seed 19 --quiet \
  >"$work/node.out" 2>"$work/node.err" &
pids+=("$!")
node_listens() { in_node ss -Htln "sport = :$port" | grep -q .; }
wait_for 10 node_listens || fail "nodesim does not listen"

printf '"RemoteHost","%s"\r\n"RemotePort",%s\r\n' "$node_addr" "$port" >"$work/node.cfg"
timeout 300 "$program" -platform offscreen --connect --reconnect 5 --log "$work/traffic.log" \
  --config "$work/node.cfg" >"$work/program.out" 2>&1 &
pids+=("$!")

starts() { grep -c 'recv B' "$work/node.out" 2>/dev/null || true; }
first_start() { [ "$(starts)" -ge 1 ]; }
wait_for 20 first_start || fail "the program never started the node's stream"
sleep 3  # the node's batches flow

silenced=$(date +%s.%N)
in_node ip route add blackhole "$program_addr/32"
try_planned() { grep -q 'The link to the node is down: the next try is in' "$work/traffic.log"; }
wait_for "$limit" try_planned || fail "no lost link reported within $limit s of the node's silence"
noticed=$(date +%s.%N)
seconds=$(awk -v a="$silenced" -v b="$noticed" 'BEGIN { printf "%.1f", b - a }')
echo "dead_link: the lost link was reported and a try planned $seconds s after the node fell silent"
echo "dead_link: the pane said:"
grep -B1 'The link to the node is down' "$work/traffic.log" | sed 's/^/  /'
# The socket layer's own words for a peer that stopped answering.
grep -qi 'timed out' "$work/traffic.log" || fail "the pane did not say the link timed out"

# The node answers again: the planned try gets through and the stream starts anew.
in_node ip route del blackhole "$program_addr/32"
second_start() { [ "$(starts)" -ge 2 ]; }
wait_for 30 second_start || fail "the planned try did not reach the node again"
echo "dead_link: connected again"
