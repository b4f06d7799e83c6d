#!/usr/bin/env bash
# Builds the program and runs it on the default problem.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
if [ -x build/src/cli/velmora-cli ]; then
  exec build/src/cli/velmora-cli run "$@"
fi
exec build/velmora-demo "$@"
