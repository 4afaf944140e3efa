#!/usr/bin/env bash
# Sets up, builds Vesk for Linux and runs it on the bundled sample folder.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh native
cmake --preset posix >/dev/null
cmake --build build -j"$(nproc)" --target vesk
echo '$ build/vesk /d /n /s "TODO|FIXME" sample'
build/vesk /d /n /s "TODO|FIXME" sample || true
echo
echo '$ build/vesk /c /d /si todo sample'
build/vesk /c /d /si todo sample || true
echo
echo '$ build/vesk /rl "TODO:" "DONE:" sample/README.txt'
build/vesk /rl "TODO:" "DONE:" sample/README.txt || true
