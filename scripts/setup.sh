#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and benchmark.
# Idempotent: prints nothing and changes nothing when everything is present.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libopenexr-dev libpng-dev zlib1g-dev
  libjpeg62-turbo-dev
  libtinyxml2-dev libutfcpp-dev
  libboost-iostreams-dev libboost-dev
  uuid-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libembree-dev liblua5.4-dev
  pngcheck
  clang libclang-rt-14-dev
  slurm-wlm munge
  libassimp-dev assimp-testmodels
  nodejs chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm comes with some builds of nodejs and is Debian's own package otherwise.
if ! command -v npm >/dev/null; then
  echo "Installing: npm"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends npm >/dev/null
fi
# The viewer's three.js (tools/viewer), from the npm registry.
bash "$(dirname "$0")/../tools/viewer/setup.sh"
