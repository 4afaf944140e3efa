#!/usr/bin/env bash
# Installs what building and testing Vesk needs on Debian 12, as root.
# Usage: scripts/setup.sh [native|all]   (native: Linux build only; all: also
# the Windows cross-builds, Wine, the fuzzers, the benchmark peers and the
# tools that make and check the release packages)
set -euo pipefail
what=${1:-all}

native=(g++ cmake pkg-config make libpcre2-dev libgtest-dev libbenchmark-dev nodejs)
windows=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64 wine wine64 dpkg-dev)
extras=(clang libclang-rt-14-dev ccache ripgrep ugrep sed grep time)
packaging=(lintian groff-base man-db unzip)

packages=("${native[@]}")
[ "$what" = all ] && packages+=("${windows[@]}" "${extras[@]}" "${packaging[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
fi
