#!/usr/bin/env bash
# Builds the Debian package of a build tree, unpacks it into a temporary root with
# dpkg -x and runs the programs from there in a clean environment, outside the source and
# build trees. Then takes the root's resources away and checks that the programs fail:
# they read nothing from the trees they were built in.
# Usage: test_package.sh BUILD_DIR [--python]
set -euo pipefail
build=$(cd "$1" && pwd)
python=${2:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package test: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$work"/package/velmora_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends
dpkg-deb --field "$deb" Depends | grep -q libc6 || fail "the package names no dependencies"
root="$work/root"
dpkg -x "$deb" "$root"

for f in usr/bin/velmora-cli usr/bin/velmora usr/share/velmora/fonts/DejaVuSansCondensed.ttf \
         usr/share/velmora/fonts/DejaVuSansCondensed-Bold.ttf usr/share/velmora/buttons/start.png \
         usr/share/doc/velmora/LICENSE.fonts usr/share/applications/velmora.desktop \
         usr/share/icons/hicolor/scalable/apps/velmora.svg; do
  [ -e "$root/$f" ] || fail "$f is not in the package"
done
grep -q '^Exec=velmora$' "$root/usr/share/applications/velmora.desktop" ||
  fail "the desktop entry does not start velmora"

# A clean environment in an empty folder: no VELMORA_RESOURCES, no path into the trees.
outside() { (cd "$work" && env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8 "$@"); }
outside "$root/usr/bin/velmora-cli" run --length 200 >"$work/installed.txt" ||
  fail "velmora-cli run from the package failed"
env -u VELMORA_RESOURCES "$build/src/cli/velmora-cli" run --length 200 >"$work/built.txt"
cmp -s "$work/installed.txt" "$work/built.txt" ||
  fail "velmora-cli run from the package prints other text than from the build tree"
outside "$root/usr/bin/velmora-cli" render --next 1 --size 640x400 --out "$work/window.png" ||
  fail "velmora-cli render from the package failed"
outside "$root/usr/bin/velmora-cli" find --input - --count 1 --tmin 20 --tmax 40 \
  <<<"$(printf '0\n%.0s' {1..5}; printf '64\n%.0s' {1..20}; printf '0\n%.0s' {1..5})" \
  >"$work/find.txt" || fail "velmora-cli find from the package failed"
grep -q '^found pulses (1):' "$work/find.txt" || fail "velmora-cli find found no pulse"

if [ "$python" = "--python" ]; then
  site=$(dirname "$(find "$root/usr/lib" -name 'velmora*.so' | head -n 1)")
  [ -n "$site" ] || fail "the Python module is not in the package"
  outside env PYTHONPATH="$site" /usr/bin/python3 -c \
    "import velmora, sys; sys.exit(0 if velmora.alphabet().shape == (20, 20) else 1)" ||
    fail "import velmora from the package failed"
fi

# Without the root's resources the programs must fail, whatever trees are on the machine.
mv "$root/usr/share/velmora" "$work/moved"
if outside "$root/usr/bin/velmora-cli" run --length 200 >/dev/null 2>&1; then
  fail "velmora-cli ran without the package's resources: it reads them from elsewhere"
fi
echo "package test: $(basename "$deb") installs and runs from an unpacked root"
