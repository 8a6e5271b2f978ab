#!/usr/bin/env bash
# Builds the fuzz targets of tests/fuzz (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a short while, two at a time. Any crash, leak,
# sanitizer report or broken promise fails the script; the input that caused it is kept in
# build-fuzz/artifacts/ and the target's output in build-fuzz/logs/.
#
#   bash scripts/run-fuzz.sh [target...]     (default: every target in build-fuzz/fuzz_targets.txt)
#   FUZZ_SECONDS=300 bash scripts/run-fuzz.sh config_document
#
# The corpora in build-fuzz/corpus/ are kept from run to run, so the campaign goes on where the
# last one stopped. A crash is reproduced by running the target on the kept input:
#   build-fuzz/fuzz/fuzz_<target> build-fuzz/artifacts/<target>-crash-...
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir="$top/build-fuzz"
seconds=${FUZZ_SECONDS:-30}
parallel=${FUZZ_PARALLEL:-2}

# Built only where clang and its libFuzzer runtime are installed.
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
if ! command -v clang++ >/dev/null 2>&1 ||
   ! printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' |
     clang++ -x c++ -fsanitize=fuzzer - -o "$probe/probe" >/dev/null 2>&1; then
  echo "== fuzzing skipped: clang++ with libFuzzer is not installed (Debian packages clang, libclang-rt-14-dev)"
  exit 0
fi

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DTORVO_SANITIZE=ON -DTORVO_BUILD_FUZZ=ON -DTORVO_BUILD_TESTS=OFF -DTORVO_BUILD_BENCH=OFF >/dev/null
if ! cmake --build "$dir" --target torvo_fuzz -j"$(nproc)" >"$dir/build.log" 2>&1; then
  tail -n 60 "$dir/build.log"
  exit 1
fi

if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < "$dir/fuzz_targets.txt"
fi
mkdir -p "$dir/corpus" "$dir/artifacts" "$dir/logs" "$dir/runs"

# One target: its corpus (seeded by the target itself when empty), its own working directory.
# The target writes each input to a file in a scratch directory, in memory where there is some;
# libFuzzer ends a timed run without cleaning up, so the directory goes afterwards.
run_one() {
  local name=$1 dir=$2 seconds=$3 base=/dev/shm scratch result=0
  [ -d "$base" ] && [ -w "$base" ] || base=${TMPDIR:-/tmp}
  scratch=$(mktemp -d "$base/torvo-fuzz-$name.XXXXXX")
  mkdir -p "$dir/corpus/$name" "$dir/runs/$name"
  (cd "$dir/runs/$name" &&
    TORVO_FUZZ_SCRATCH=$scratch "$dir/fuzz/fuzz_$name" "$dir/corpus/$name" -max_total_time="$seconds" \
      -timeout=10 -artifact_prefix="$dir/artifacts/$name-" -print_final_stats=1 >"$dir/logs/$name.log" 2>&1) ||
    result=1
  rm -rf "$scratch"
  if [ $result -eq 0 ]; then
    echo "  $name: $(grep -o 'Done [0-9]* runs' "$dir/logs/$name.log" | tail -n 1), no crash"
  else
    echo "  $name: FAILED (log: $dir/logs/$name.log)"
    grep -E 'ERROR|SUMMARY|broken promise|Test unit written' "$dir/logs/$name.log" | head -n 20 | sed 's/^/    /'
    return 1
  fi
}
export -f run_one

echo "== fuzzing ${#targets[@]} targets for ${seconds} s each, $parallel at a time"
start=$SECONDS
# The ANSI encoding is the locale's codeset: ASCII under C, the same on every machine.
status=0
printf '%s\n' "${targets[@]}" |
  LC_ALL=C ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  xargs -P "$parallel" -I{} bash -c 'run_one "$1" "$2" "$3"' _ {} "$dir" "$seconds" || status=1
echo "== fuzzing took $((SECONDS - start)) s"
exit $status
