#!/usr/bin/env bash
# Wall time of torvo-bake on two of Debian's assimp-testmodels at 1024 x 1024 with light map and
# occlusion, split into import (with the light-map layout), library calls (meshes, scene and job
# handed to the library, results read back), renderer (the job's run) and writing the files, and
# the renderer's share of the whole (target: everything outside the renderer under 10%).
#
#   scripts/bench-bake.sh [build dir] [more torvo-bake options...]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
shift || true
tool=$build/bin/torvo-bake
models=/usr/share/assimp/models
if [ ! -x "$tool" ]; then
  echo "bench-bake: no $tool; build first (cmake --build build --target torvo-bake)" >&2
  exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

printf '%-22s %8s %8s %8s %9s %8s %8s %7s\n' model import layout library renderer writing total share
for model in glTF2/2CylinderEngine-glTF-Binary/2CylinderEngine.glb IFC/AC14-FZK-Haus.ifc; do
  line=$("$tool" -q --timings -s 1024 -p lightmap,ao -o "$work/out" "$@" "$models/$model" | grep '^timings:')
  # timings: import A s, layout B s, library calls C s, renderer D s, writing E s, total F s, renderer share G%
  read -r import layout library renderer writing total share < <(echo "$line" |
    sed -E 's/[^0-9.% ]//g; s/%//' | awk '{print $1, $2, $3, $4, $5, $6, $7}')
  printf '%-22s %7.2fs %7.2fs %7.2fs %8.2fs %7.2fs %7.2fs %6.1f%%\n' "$(basename "$model")" \
    "$import" "$layout" "$library" "$renderer" "$writing" "$total" "$share"
done
