#!/usr/bin/env bash
# Installs the Debian packages the build needs (quick when they are present), then
# configures and builds the release tree (build/) and, with --sanitize, the
# AddressSanitizer/UBSan tree of the platform-free code and the command-line tool
# (build-asan/), so that the tool's process tests run under the sanitizers too. With
# --sanitize it also installs clang and its fuzzer runtime, which only the test command's
# fuzz targets need (scripts/fuzz.sh builds them); running the program does not.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev nlohmann-json3-dev
          libfreetype-dev libpng-dev python3-pil openmpi-bin libopenmpi-dev qt6-base-dev
          file dpkg-dev
          pybind11-dev python3-dev python3-numpy python3-pytest python3-matplotlib python3-scipy)
if [ "${1:-}" = "--sanitize" ]; then
  packages+=(clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

werror=OFF; [ "${CI:-}" = "true" ] && werror=ON
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELMORA_WERROR=$werror >/dev/null
cmake --build build -j "$jobs"

if [ "${1:-}" = "--sanitize" ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_WERROR=$werror \
        -DVELMORA_SANITIZE=ON -DVELMORA_CORE_ONLY=ON >/dev/null
  cmake --build build-asan -j "$jobs"
fi
