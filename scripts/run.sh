#!/usr/bin/env bash
# Builds the program and starts the desktop window. Options are for velmora-cli run: with
# options, or without a display, the default problem (or the one the options describe) is
# run on the command line instead, and without a display the window's picture is
# rendered to a PNG file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh >&2
cli=build/src/cli/velmora-cli
if [ $# -eq 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/src/qt/velmora
fi
if [ $# -eq 0 ]; then
  echo "run.sh: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the default problem with velmora-cli run" >&2
fi
"$cli" run "$@"
if [ $# -eq 0 ] && "$cli" render --help >/dev/null 2>&1; then
  picture=build/velmora-window.png
  "$cli" render --out "$picture"
  echo "run.sh: the window's picture after this run is in $picture" >&2
fi
