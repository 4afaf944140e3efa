#!/usr/bin/env bash
# Builds PCRE2 (16-bit, JIT) for a MinGW-w64 target from Debian's pcre2 source
# package, into a cache outside the checkout keyed by version and target.
# Usage: pcre2-mingw.sh i686|x86_64   -> prints the install prefix
set -euo pipefail
arch=$1
host=$arch-w64-mingw32
cache=${VESK_CACHE:-$HOME/.cache/vesk}
src=$cache/src
mkdir -p "$src"
if [ -z "$(ls -d "$src"/pcre2-*/ 2>/dev/null)" ]; then
  # Source lines for the main archive only: the security archive keeps no
  # source of older revisions.
  if [ ! -f /etc/apt/sources.list.d/vesk-src.sources ]; then
    awk 'BEGIN{RS="";ORS="\n\n"} /debian-security/{next} {sub(/Types: deb/,"Types: deb-src"); print}' \
      /etc/apt/sources.list.d/debian.sources > /etc/apt/sources.list.d/vesk-src.sources
    apt-get update >&2
  fi
  (cd "$src" && apt-get source --download-only pcre2 >&2 && dpkg-source -x --no-check pcre2_*.dsc >&2)
fi
srcdir=$(ls -d "$src"/pcre2-*/ | head -n 1)
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
