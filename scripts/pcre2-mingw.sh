#!/usr/bin/env bash
# Builds PCRE2 (16-bit, JIT) for a MinGW-w64 target from Debian's pcre2 source
# package, into a cache outside the checkout keyed by version and target.
# Usage: pcre2-mingw.sh i686|x86_64   -> prints the install prefix
set -euo pipefail
arch=$1
host=$arch-w64-mingw32
cache=${VESK_CACHE:-$HOME/.cache/vesk}
srcdir=$("$(dirname "$0")/pcre2-source.sh")
version=$(basename "$srcdir")
prefix=$cache/$version-$host
if [ -f "$prefix/.done" ]; then echo "$prefix"; exit 0; fi
build=$(mktemp -d)
(cd "$build" && "$srcdir/configure" --host="$host" --prefix="$prefix" \
    --disable-pcre2-8 --enable-pcre2-16 --enable-jit --disable-shared --enable-static \
    --disable-pcre2grep-jit --disable-pcre2test-libreadline >&2 \
  && make -j"$(nproc)" libpcre2-16.la >&2 \
  && make install-libLTLIBRARIES install-includeHEADERS install-nodist_includeHEADERS >&2)
rm -rf "$build"
touch "$prefix/.done"
echo "$prefix"
