#!/usr/bin/env bash
# Installs the viewer's three.js from the npm registry, exactly as package-lock.json pins it.
# Prints nothing and changes nothing when that is already in place.
set -euo pipefail
cd "$(dirname "$0")"
stamp=node_modules/.installed-package-lock.json
if cmp -s package-lock.json "$stamp" 2>/dev/null; then
  exit 0
fi
echo "Installing the viewer's npm packages (npm ci)"
npm ci --no-audit --no-fund --loglevel=error >/dev/null
cp package-lock.json "$stamp"
