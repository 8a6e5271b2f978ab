#!/usr/bin/env bash
# Measures what a distributed stage costs on the cluster: per batch, the time from submission to
# the first progress message and from the end of the last stage to the end of the front end
# (both from the front end's closing line), and the wall time of batches of 1, 4 and 16 stages
# that do nearly nothing (the fake renderer), against the same stages run one after the other
# locally. Uses the machine's cluster when one answers, else starts the test cluster.
#
#   scripts/measure-farm.sh [build-dir]     (default: build)
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build}" && pwd)
work=$(mktemp -d /tmp/torvo-measure.XXXXXX)
state="$work/cluster"
bash "$top/scripts/test-cluster.sh" start "$state"
trap 'bash "$top/scripts/test-cluster.sh" stop "$state"; rm -rf "$work"' EXIT
conf=$(sed -n 's/^SLURM_CONF=//p' "$state/cluster.env")
[ -n "$conf" ] && export SLURM_CONF="$conf"
if grep -q '^SKIP=' "$state/cluster.env"; then
  echo "no cluster: $(sed -n 's/^SKIP=//p' "$state/cluster.env")"; exit 1
fi

mkdir -p "$work/bin" "$work/scenes"
ln -s "$build/bin/torvofarm.exe" "$build/bin/torvofarm-task.exe" "$work/bin/"
ln -s "$build/tests/fakes/fake_renderer" "$work/bin/thetorvo.exe"
echo '<KXScene/>' >"$work/scenes/s.xml"
echo '<inputspecification version ="1"><filelist/></inputspecification>' >"$work/scenes/s_files.xml"
stage='<KXConfig><GISettings><enableGI>false</enableGI></GISettings><SurfaceTransferSettings><targets><SurfaceTransferTexture/></targets></SurfaceTransferSettings></KXConfig>'

now() { date +%s.%N; }

for count in 1 4 16; do
  job="$work/jobs/j$count"
  mkdir -p "$job/output"
  args=(-file ../../scenes/s.xml -filelist ../../scenes/s_files.xml)
  for i in $(seq 0 $((count - 1))); do
    echo "$stage" >"$job/t$i.xml"
    printf 'say [PROGRESS] Progress Title: Baking Texture\nsay [PROGRESS] Progress 100\nsay Done rendering!\n' >"$job/t$i.xml.fake"
    args+=(-cfg "t$i.xml")
  done
  args+=(-jobdir . -resultdir output -bindir "$work/bin")
  cd "$job"
  start=$(now)
  for i in $(seq 0 $((count - 1))); do "$work/bin/thetorvo.exe" ../../scenes/s.xml -x "t$i.xml" >/dev/null; done
  local_time=$(echo "$(now) - $start" | bc)
  for run in 1 2 3; do
    start=$(now)
    summary=$("$work/bin/torvofarm.exe" "${args[@]}" | grep ' stages done by ')
    echo "$count stages, run $run: wall $(printf %.2f "$(echo "$(now) - $start" | bc)") s" \
         "(locally one after the other: $(printf %.3f "$local_time") s); ${summary#torvofarm: }"
  done
done
