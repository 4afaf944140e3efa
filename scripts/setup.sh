#!/usr/bin/env bash
# Installs what building and testing Vesk needs on Debian 12, as root.
# Usage: scripts/setup.sh [native|all]   (native: Linux build only; all: also
# the Windows cross-builds, Wine and its console under tmux, the i386 build
# under qemu, the fuzzers, the benchmark peers and the tools that make and
# check the release packages)
set -euo pipefail
what=${1:-all}

native=(g++ cmake pkg-config make libpcre2-dev libgtest-dev libbenchmark-dev nodejs)
windows=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64 wine wine64 dpkg-dev)
console=(tmux locales)
i386=(g++-multilib qemu-user-static googletest)
extras=(clang libclang-rt-14-dev ccache ripgrep ugrep sed grep time)
packaging=(lintian groff-base man-db unzip msitools wixl)

packages=("${native[@]}")
[ "$what" = all ] && packages+=("${windows[@]}" "${console[@]}" "${i386[@]}" "${extras[@]}" "${packaging[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Other work on the same machine may hold the package lock for a while.
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${missing[@]}" >/dev/null
fi

# The console cases run Wine under a Japanese locale; a LANG naming a locale
# that is not generated garbles Japanese text in the console.
if [ "$what" = all ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "Generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
