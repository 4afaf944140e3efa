#!/usr/bin/env bash
# Fetches and unpacks Debian's pcre2 source package once, into the cache
# outside the checkout, for the PCRE2 builds of the other targets.
# Usage: pcre2-source.sh   -> prints the source folder
set -euo pipefail
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
ls -d "$src"/pcre2-*/ | head -n 1
