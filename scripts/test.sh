#!/usr/bin/env bash
# Sets up, builds every tree and runs the whole test suite:
#   unit and command-line tests on the Linux build, the same under
#   AddressSanitizer and UndefinedBehaviorSanitizer and on the i386 build
#   under qemu-i386-static, the command-line cases against the 64-bit Windows
#   build under Wine, the console cases in a Wine console inside tmux, the
#   checks of the 32-bit product, bounded fuzzing, one small run of the
#   benchmark, and the release packages (made with CPack and checked as a
#   user gets them). Ends with each step's time and what its tests counted.
# Usage: scripts/test.sh [--quick]
#   --quick: the Linux build with its unit, layer, command-line and regex
#   tests only, for the edit-build-test loop (a few minutes).
# Environment: VESK_CACHE (default ~/.cache/vesk), VESK_FUZZ_SECONDS (default
#   30; the fuzz targets share three times that).
set -uo pipefail
cd "$(dirname "$0")/.."
quick=false
case "${1:-}" in
  --quick) quick=true ;;
  "") ;;
  *) echo "usage: scripts/test.sh [--quick]" >&2; exit 2 ;;
esac
export VESK_CACHE=${VESK_CACHE:-$HOME/.cache/vesk}
fuzz_seconds=${VESK_FUZZ_SECONDS:-30}
jobs=$(nproc)

if $quick; then scripts/setup.sh native || exit 1; else scripts/setup.sh all || exit 1; fi

# Every tree is built anew in a fresh clone; ccache keeps the compiled
# objects outside the checkout, so a run with warm caches rebuilds quickly.
# CMake takes the launcher from these variables at the first configure.
# Paths inside the checkout are hashed relative to it, so that a clone in
# another folder finds the objects of the last one.
export CCACHE_DIR=$VESK_CACHE/ccache CCACHE_MAXSIZE=2G
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache

passed=0
failed=0
failures=()
legs=()
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
step() {  # step NAME COMMAND...
  local name=$1 log=$logs/$((passed + failed)).log start=$SECONDS status result
  shift
  echo "=== $name"
  "$@" 2>&1 | tee "$log"
  status=${PIPESTATUS[0]}
  if [ "$status" -eq 0 ]; then
    passed=$((passed + 1))
    result=ok
  else
    failed=$((failed + 1))
    failures+=("$name")
    result=FAILED
  fi
  legs+=("$(printf '%-38s %-6s %5ss  %s' "$name" "$result" $((SECONDS - start)) "$(counts <"$log")")")
}
# What a step's tests report they ran, on one line: the runners' "N passed,
# M failed", GoogleTest's totals, the case counts of the differential,
# thread and layer checks, each behind the name of its CTest test where there
# is one; after a "--- counts" line only what follows it.
counts() {
  awk '
    /^--- counts$/ { out = ""; sep = "" }
    / Testing: [^ ]+$/ { test = $NF ": " }
    /^\[  PASSED  \] [0-9]+ tests?\.$/ { out = out sep test $4 " passed"; sep = "; " }
    /^\[  FAILED  \] [0-9]+ tests?, listed below:$/ { out = out sep test $4 " failed"; sep = "; " }
    /^[0-9]+ passed, [0-9]+ failed$/ { out = out sep test $0; sep = "; " }
    /^[0-9]+ cases the same with / {
      match($0, /[0-9]+ differ/)
      out = out sep test $1 " cases, " substr($0, RSTART, RLENGTH); sep = "; "
    }
    /^[0-9]+ includes of [0-9]+ layers checked, / { out = out sep test $1 " includes, " $7 " problems"; sep = "; " }
    /^\{"cases":[0-9]+,/ {
      match($0, /"cases":[0-9]+/); cases = substr($0, RSTART + 8, RLENGTH - 8)
      match($0, /"mismatches":[0-9]+/); mismatches = substr($0, RSTART + 13, RLENGTH - 13)
      out = out sep test cases " cases, " mismatches " mismatches"; sep = "; "
    }
    /^time: / { out = out sep substr($0, 7); sep = "; " }
    END { print out }'
}
# The CTest tests of a preset; CTest keeps the full output of every test,
# success included, in LastTest.log, from which the counts are taken.
tests() {  # tests PRESET BUILD_DIR
  local status=0
  ctest --preset "$1" || status=1
  echo "--- counts"
  grep -E '^[0-9]+/[0-9]+ Testing: |^\[  (PASSED|FAILED)  \] [0-9]+ tests?|^[0-9]+ passed, [0-9]+ failed$|^[0-9]+ cases the same with |^[0-9]+ includes of |^\{"cases":' \
    "$2/Testing/Temporary/LastTest.log"
  return $status
}
build() {  # build PRESET [cmake options...]
  local preset=$1
  shift
  cmake --preset "$preset" "$@" >/dev/null && cmake --build --preset "$preset" -j"$jobs"
}
summary() {
  echo
  echo "=== steps: time and counts"
  for leg in "${legs[@]}"; do echo "$leg"; done
  echo
  for f in "${failures[@]}"; do echo "FAILED: $f"; done
  echo "checks: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
# The fuzz targets share three times VESK_FUZZ_SECONDS (a minute and a half
# by default, so that a run with warm caches stays near a quarter of an
# hour; the corpora kept in the cache grow from run to run) equally, each
# on a corpus kept in the cache, seeded from tests/fuzz/seeds/NAME when that
# folder exists.
fuzz() {
  local ok=0 ran=0 target name corpus each
  local targets=(build-fuzz/tests/fuzz/vesk_fuzz_*)
  [ -x "${targets[0]}" ] || { echo "no fuzz target was built"; return 1; }
  each=$((3 * fuzz_seconds / ${#targets[@]}))
  [ "$each" -gt 0 ] || each=1  # 0 would mean no limit to libFuzzer
  for target in "${targets[@]}"; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    corpus=$VESK_CACHE/fuzz-corpus/$name
    mkdir -p "$corpus" "$VESK_CACHE/fuzz-crashes"
    [ -d "tests/fuzz/seeds/$name" ] && cp -n "tests/fuzz/seeds/$name"/* "$corpus"/ 2>/dev/null
    echo "--- $name, ${each}s"
    "$target" -max_total_time="$each" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$VESK_CACHE/fuzz-crashes/$name-" "$corpus" 2>&1 | tail -n 2 || ok=1
    ran=$((ran + 1))
  done
  [ "$ran" -gt 0 ] || { echo "no fuzz target was built"; return 1; }
  return $ok
}

step "build linux" build posix
step "tests linux" tests posix build
if $quick; then
  summary
  exit
fi

step "build sanitizers" build sanitize
step "build thread sanitizer" build thread
pcre32=$(scripts/pcre2-mingw.sh i686) && pcre64=$(scripts/pcre2-mingw.sh x86_64)
step "build windows 32-bit" build win32 -DVESK_PCRE2_PREFIX="$pcre32"
step "build windows 64-bit" build win64 -DVESK_PCRE2_PREFIX="$pcre64"
step "build fuzzers" build fuzz
step "build debian package tree" build deb
# The Linux tree as 32-bit code; its libraries are built once into the cache.
build_i386() {
  local pcre gtest
  pcre=$(scripts/i386-libs.sh pcre2) && gtest=$(scripts/i386-libs.sh googletest) &&
    build i386 -DVESK_PCRE2_PREFIX="$pcre" -DCMAKE_PREFIX_PATH="$gtest"
}
step "build i386" build_i386

step "tests sanitizers" tests sanitize build-asan
step "tests thread sanitizer" tests thread build-tsan
step "tests i386 under qemu" tests i386 build-i386
step "windows 32-bit product" node tests/windows/check_exe.mjs build-win32/vesk.exe i386 i686-w64-mingw32-objdump
step "windows 64-bit build" node tests/windows/check_exe.mjs build-win64/vesk.exe amd64 x86_64-w64-mingw32-objdump

# A prefix of our own, made once (its first start prints to standard error);
# the runner starts the wine server itself.
export WINEPREFIX=$VESK_CACHE/wine64 WINEDEBUG=-all
[ -d "$WINEPREFIX/drive_c" ] || /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
step "command line under wine" node tests/cli/run.mjs --exe build-win64/vesk.exe --wine
step "command line under wine, one thread" env VESK_THREADS=1 node tests/cli/run.mjs --exe build-win64/vesk.exe --wine
step "console under wine" node tests/console/run.mjs --exe build-win64/vesk.exe
step "console under wine, one thread" env VESK_THREADS=1 node tests/console/run.mjs --exe build-win64/vesk.exe
step "release packages" tests/packaging/check_packages.sh
step "fuzzing $((3 * fuzz_seconds))s shared by the targets" fuzz
if [ -x bench/compare ]; then
  step "benchmark smoke run" bench/compare --smoke
fi

summary
