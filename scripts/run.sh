#!/usr/bin/env bash
# Builds the program and starts the desktop window. Without a display (neither DISPLAY nor
# WAYLAND_DISPLAY set) it runs the default problem with velmora-cli run instead and renders
# the window's picture after that run to a PNG file. Options are for velmora-cli run: with
# options the problem they describe is run on the command line, display or not.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
cli=build/src/cli/velmora-cli
if [ $# -gt 0 ]; then
  exec "$cli" run "$@"
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/src/qt/velmora
fi
echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the default problem with velmora-cli run" >&2
"$cli" run
picture=build/velmora-window.png
"$cli" render --next 1 --out "$picture"
echo "run.sh: the window's picture after this run is in $picture" >&2
