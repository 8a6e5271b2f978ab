#!/usr/bin/env bash
# Installs the build into a scratch prefix, then builds the outside host bake_quad against the
# installed tree twice, through find_package(torvo32) and with plain cc and pkg-config, and runs
# both: each must bake its quad with the renderer that the installed library finds on its own.
#
#   run.sh <build dir> [cmake]
set -euo pipefail
build=$1
cmake=${2:-cmake}
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/torvo-install-test.XXXXXX")
keep=1
trap '[ $keep = 0 ] && rm -rf "$scratch"' EXIT
prefix=$scratch/prefix

fail() {
  echo "FAIL: $*"
  echo "(files kept in $scratch)"
  exit 1
}

# quiet <log> <command...>: runs the command with its output in the log, shown on failure.
quiet() {
  local log=$1; shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 40 "$log"
    fail "$*"
  fi
}

quiet "$scratch/install.log" "$cmake" --install "$build" --prefix "$prefix"
library=$(find "$prefix" -name libtorvo32.so -print -quit)
[ -n "$library" ] || fail "no libtorvo32.so under $prefix"
libdir=$(cd "$(dirname "$library")" && pwd -P)
for file in "$prefix/include/torvo.h" "$libdir/torvo32/thetorvo.exe" "$libdir/torvo32/thetorvo-64.exe" \
    "$libdir/cmake/torvo32/torvo32Config.cmake" "$libdir/cmake/torvo32/torvo32ConfigVersion.cmake" \
    "$libdir/pkgconfig/torvo32.pc"; do
  [ -f "$file" ] || fail "not installed: ${file#"$prefix"/}"
done
echo "installed into $prefix"

# Neither the build tree nor the environment may show the hosts the way.
unset TORVO_ROOT
export CMAKE_PREFIX_PATH=$prefix
export PKG_CONFIG_LIBDIR=$libdir/pkgconfig PKG_CONFIG_PATH=

quiet "$scratch/cmake-host.log" "$cmake" -S "$here/host" -B "$scratch/cmake-host"
quiet "$scratch/cmake-host-build.log" "$cmake" --build "$scratch/cmake-host"
echo "built bake_quad with find_package(torvo32)"

pc_flags=$(pkg-config --cflags --libs torvo32) || fail "pkg-config does not know torvo32"
# shellcheck disable=SC2086  # the flags are words
quiet "$scratch/cc-host.log" cc -std=c11 -Wall -Wextra -Werror "$here/host/bake_quad.c" -o "$scratch/bake_quad_pc" \
  $pc_flags -Wl,-rpath,"$libdir" -lm
echo "built bake_quad with cc \$(pkg-config --cflags --libs torvo32)"

for host in "$scratch/cmake-host/bake_quad" "$scratch/bake_quad_pc"; do
  run=$host-run
  mkdir -p "$run"
  (cd "$run" && "$host") || { cat "$run/info.log" 2>/dev/null | tail -n 20; fail "$host"; }
  grep -qF "Using Torvo binaries installed beside the library in $libdir/torvo32." "$run/info.log" ||
    fail "$host did not use the installed renderer (see $run/info.log)"
done
keep=0
echo "both hosts baked with the installed package"
