#!/usr/bin/env bash
# Builds the libraries of the i386 build (run under qemu-i386-static): PCRE2
# (16-bit, JIT, static) from Debian's pcre2 source package and GoogleTest from
# Debian's googletest sources, with the flags of cmake/linux-i386.cmake, into
# the cache outside the checkout keyed by version.
# Usage: i386-libs.sh pcre2|googletest   -> prints the install prefix
set -euo pipefail
what=$1
here=$(cd "$(dirname "$0")" && pwd)
cache=${VESK_CACHE:-$HOME/.cache/vesk}
toolchain=$here/../cmake/linux-i386.cmake
flags="-m32 -D_FILE_OFFSET_BITS=64 -D_TIME_BITS=64"
jobs=$(nproc)

case $what in
  pcre2)
    srcdir=$("$here/pcre2-source.sh")
    prefix=$cache/$(basename "$srcdir")-i386-linux-gnu
    ;;
  googletest)
    srcdir=/usr/src/googletest
    prefix=$cache/googletest-$(dpkg-query -W -f='${Version}' googletest)-i386-linux-gnu
    ;;
  *) echo "usage: $0 pcre2|googletest" >&2; exit 2 ;;
esac
if [ -f "$prefix/.done" ]; then echo "$prefix"; exit 0; fi

build=$(mktemp -d)
trap 'rm -rf "$build"' EXIT
if [ "$what" = pcre2 ]; then
  (cd "$build" && "$srcdir/configure" --host=i686-linux-gnu --prefix="$prefix" \
      CC="gcc" CFLAGS="$flags -O2 -g" LDFLAGS="-m32" \
      --disable-pcre2-8 --enable-pcre2-16 --enable-jit --disable-shared --enable-static \
      --disable-pcre2grep-jit --disable-pcre2test-libreadline >&2 \
    && make -j"$jobs" libpcre2-16.la >&2 \
    && make install-libLTLIBRARIES install-includeHEADERS install-nodist_includeHEADERS >&2)
else
  cmake -S "$srcdir" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF >&2
  cmake --build "$build" -j"$jobs" >&2
  cmake --install "$build" >&2
fi
touch "$prefix/.done"
echo "$prefix"
