#!/usr/bin/env bash
# Installs what is needed, builds the library and runs the demo host in demo-run/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVO_BUILD_TESTS=OFF -DTORVO_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build" -j"$(nproc)" >/dev/null
mkdir -p "$top/demo-run"
cd "$top/demo-run"
"$top/build/bin/demo_host" "$@"
