#!/usr/bin/env bash
# Renders the pictures the README shows into docs/images with velmora-cli render. The
# pictures are the same on every machine, so a changed file means a changed view.
set -euo pipefail
cd "$(dirname "$0")/.."

cli=${VELMORA_CLI:-build/src/cli/velmora-cli}
if [ ! -x "$cli" ]; then
  [ -f build/build.ninja ] || bash scripts/setup.sh
  cmake --build build --target velmora-cli
fi
mkdir -p docs/images

# The alphabet view as the program starts.
"$cli" render --view alphabet --out docs/images/alphabet.png
