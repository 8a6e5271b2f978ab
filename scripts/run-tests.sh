#!/usr/bin/env bash
# Installs what is needed, then builds and runs the tests three times: the whole suite in a normal
# build and in a build with AddressSanitizer and UndefinedBehaviorSanitizer, and the tests that use
# threads (ctest label "threads") in a build with ThreadSanitizer; then runs each fuzz target for a
# short while (scripts/run-fuzz.sh, when clang is installed). In the first two suites the front
# end's cluster tests start a one-machine Slurm cluster for themselves and stop it again (a ctest
# fixture in tests/farm, scripts/test-cluster.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
jobs=$(nproc)

# run_suite <build dir> [cmake options...] [-- ctest options...]
run_suite() {
  local dir=$1; shift
  local configure=() select=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do configure+=("$1"); shift; done
  [ $# -gt 0 ] && shift && select=("$@")
  cmake -S "$top" -B "$dir" "${configure[@]}" >/dev/null
  if ! cmake --build "$dir" -j"$jobs" >"$dir/build.log" 2>&1; then
    tail -n 60 "$dir/build.log"
    return 1
  fi
  (cd "$dir" && ctest --output-on-failure -j"$jobs" "${select[@]}")
}

echo "== normal build (the benchmarks are built too, so that they keep compiling)"
run_suite "$top/build-test" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVO_BUILD_BENCH=ON
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTORVO_SANITIZE=ON -DTORVO_BUILD_BENCH=OFF
echo "== ThreadSanitizer build (the tests that use threads)"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  run_suite "$top/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVO_SANITIZE_THREAD=ON -DTORVO_BUILD_BENCH=OFF \
  -- -L threads
echo "== fuzz targets (clang, libFuzzer, ASan + UBSan), a short run each"
bash "$top/scripts/run-fuzz.sh"
