#!/usr/bin/env bash
# Builds dxmonitor with its tests into build/ and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build -DDX_BUILD_TESTS=ON ${DX_CMAKE_ARGS:-}
cmake --build build -j "$(nproc)"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
chmod 700 "$XDG_RUNTIME_DIR"
ctest --test-dir build --output-on-failure -j "$(nproc)"
