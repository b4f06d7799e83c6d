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
render() {
  echo "velmora-cli render $*"
  "$cli" render "$@"
}

# The alphabet view as the program starts.
render --view alphabet --out docs/images/alphabet.png

# Results: recognition of a fixed number of cut-off pulses (the default problem), and
# recognition of pulse tuples with a list of two pattern tuples.
render --view results --next 1 --out docs/images/results.png
render --view results --series fixed-tuples --subsets "3,5,8;12,4" --next 1 \
  --out docs/images/results-tuples.png

# Statistics of a small simulation: the restoring error of recognition per pulse count.
render --view statistics --length 600 --from 3 --to 12 --incr 3 --noise-steps 29 \
  --noise-step 5 --repeats 20 --out docs/images/statistics.png

# Subset selection for tuple recognition: the list of two subsets, the first current, and
# the second entry of the selected subset marked by a click on its slot.
render --view subsets --series fixed-tuples --subsets "3,5,8;12,4" --click 185,270 \
  --out docs/images/subsets.png

# The series parameters panel after a click on pulse count 11: the lines of 18 pulses
# stay behind in light grey.
render --view params --next 1 --click 588,727 --out docs/images/params.png

# The Python examples' pictures (the module of the build tree). The last one shows the
# times measured, so it differs from run to run in its title.
if [ ! -f build/python/velmora.pyi ]; then
  cmake --build build --target velmora_python
fi
example() {
  echo "examples/$1 ${*:2}"
  PYTHONPATH=build/python /usr/bin/python3 "examples/$1" "${@:2}"
}
example error_curves.py docs/images/error_curves.png
example own_series.py - docs/images/own_series.png
example versus_matched_filter.py docs/images/versus_matched_filter.png 50
