#!/usr/bin/env bash
# The library exports exactly the functions the public header declares.
set -euo pipefail
lib=$1 header=$2
exported=$(nm -D --defined-only "$lib" | awk '{print $3}' | sort)
declared=$(grep -oE '^TRV_FUNC\([^)]*\) *TRV[A-Za-z0-9]+' "$header" | grep -oE 'TRV[A-Za-z0-9]+$' | sort)
if [ "$exported" != "$declared" ]; then
  diff <(echo "$declared") <(echo "$exported") || true
  echo "exported symbols differ from the header"
  exit 1
fi
echo "$(echo "$exported" | wc -l) functions exported, all declared"
[ "$(echo "$exported" | wc -l)" -eq 140 ]
