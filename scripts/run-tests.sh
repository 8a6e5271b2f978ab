#!/usr/bin/env bash
# Installs what is needed, then builds and runs the whole test suite twice:
# a normal build, and a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
jobs=$(nproc)

run_suite() {
  local dir=$1; shift
  cmake -S "$top" -B "$dir" -DTORVO_BUILD_BENCH=OFF "$@" >/dev/null
  cmake --build "$dir" -j"$jobs" >/dev/null
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
}

echo "== normal build"
run_suite "$top/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTORVO_SANITIZE=ON
