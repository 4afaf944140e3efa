#!/usr/bin/env bash
# Makes the five release packages with CPack and checks them as a user gets
# them: the zips' files, line ends and executables; the installers' tables,
# and the 64-bit one installed, upgraded and removed under Wine; the Debian
# package's contents, fields and lintian's verdict, run from a scratch root
# (and, as root, installed and removed with dpkg); the manual page through
# groff; the option letters in every manual; the third-party notices against
# the links.
# Needs build-win32, build-win64 and build-deb built (as scripts/test.sh does first).
# Usage: tests/packaging/check_packages.sh
set -uo pipefail
cd "$(dirname "$0")/../.."
version=$(sed -n 's/^project(Vesk VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
out=build-packages
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL $what"
  fi
}
crlf_only() { [ -s "$1" ] && ! tr -d '\r' <"$1" | cmp -s - "$1" && [ "$(grep -c $'[^\r]$\|^$' "$1")" -eq 0 ]; }
has_bom() { [ "$(head -c 3 "$1" | od -An -tx1 | tr -d ' ')" = efbbbf ]; }
same_as_crlf() { sed 's/$/\r/' "$2" | cmp -s - "$1"; }

echo "--- third-party notices against both Windows links"
check "THIRD-PARTY-NOTICES.txt matches the links" \
  node packaging/notices.mjs --map build-win32/vesk.map --map build-win64/vesk.map \
  --check THIRD-PARTY-NOTICES.txt --exact

echo "--- packages"
rm -rf "$out"
for preset in win32 win64 deb; do
  check "cpack --preset $preset" sh -c "cpack --preset $preset >$scratch/cpack-$preset.log 2>&1 || { cat $scratch/cpack-$preset.log; exit 1; }"
done
check "SHA256SUMS covers the five packages" sh -c "cd $out && [ \$(wc -l <SHA256SUMS) -eq 5 ] && sha256sum --quiet -c SHA256SUMS"

for arch in win32:i386:i686 win64:amd64:x86_64; do
  IFS=: read -r name machine triplet <<<"$arch"
  zip=$out/vesk-$version-$name.zip
  dir=$scratch/$name/vesk-$version-$name
  echo "--- $zip"
  check "$zip unpacks" unzip -q "$zip" -d "$scratch/$name"
  listing=$(cd "$scratch/$name" && find . -type f | sort | tr '\n' ' ')
  want="./vesk-$version-$name/LICENSE.txt ./vesk-$version-$name/README.ja.txt ./vesk-$version-$name/README.txt ./vesk-$version-$name/THIRD-PARTY-NOTICES.txt ./vesk-$version-$name/vesk.exe "
  check "$zip holds $want(has $listing)" [ "$listing" = "$want" ]
  for text in README.txt README.ja.txt LICENSE.txt THIRD-PARTY-NOTICES.txt; do
    check "$name $text in CR LF throughout" crlf_only "$dir/$text"
  done
  check "$name README.txt has a byte-order mark" has_bom "$dir/README.txt"
  check "$name README.ja.txt has a byte-order mark" has_bom "$dir/README.ja.txt"
  check "$name README.txt holds the user sections" grep -q '^## Regular expressions' "$dir/README.txt"
  check "$name README.txt leaves out the developer sections" sh -c "! grep -q '^## Building' '$dir/README.txt'"
  check "$name README.ja.txt holds the Japanese manual" grep -q '^## 正規表現' "$dir/README.ja.txt"
  check "$name LICENSE.txt is LICENSE" same_as_crlf "$dir/LICENSE.txt" LICENSE
  check "$name THIRD-PARTY-NOTICES.txt is the checked one" same_as_crlf "$dir/THIRD-PARTY-NOTICES.txt" THIRD-PARTY-NOTICES.txt
  check "$name vesk.exe passes the executable checks" \
    node tests/windows/check_exe.mjs "$dir/vesk.exe" "$machine" "$triplet-w64-mingw32-objdump"
done
# Under Wine as tests/cli/run.mjs runs it: the server and Wine's services are
# started first with closed streams, so that they hold no stream of ours.
wine=${VESK_WINE:-/usr/lib/wine/wine64}
if [ -n "${WINEPREFIX:-}" ] && [ -x "$wine" ]; then
  exe=$scratch/win64/vesk-$version-win64/vesk.exe
  server=/usr/lib/wine/wineserver64
  [ -x "$server" ] || server=wineserver
  "$server" -p30 </dev/null >/dev/null 2>&1
  "$wine" "$exe" /void </dev/null >/dev/null 2>&1
  check "the win64 zip's vesk.exe runs /ver under Wine" \
    sh -c "'$wine' '$exe' /ver </dev/null >$scratch/ver.txt 2>/dev/null; grep -q 'Vesk 2\.' $scratch/ver.txt"
fi

# The installers: both by their tables, the 64-bit one also installed,
# installed again, upgraded and removed under Wine.
rows() { msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r'; }  # rows MSI TABLE
property() { rows "$1" Property | sed -n "s/^$2\t//p"; }        # property MSI NAME
layout() {  # layout MSI FOLDER BITS: INSTALLDIR is FOLDER\Vesk, a component for each file there, the PATH row
  rows "$1" Directory | grep -qxF "INSTALLDIR"$'\t'"$2"$'\t'"Vesk" &&
    rows "$1" Component | awk -F'\t' -v bits="$3" '$1 != $6 || $3 != "INSTALLDIR" || $4 != bits { bad = 1 } END { exit bad || NR != 5 }' &&
    [ "$(rows "$1" Environment)" = "PATH"$'\t''=-*PATH'$'\t''[~];[INSTALLDIR]'$'\t''vesk.exe' ]
}
actions() { rows "$1" InstallExecuteSequence | cut -f1 | grep -E 'Environment|Existing|Reboot|Shortcut' | sort | tr '\n' ' '; }
next=${version%.*}.$((${version##*.} + 1))
for arch in win32:x86:Intel:ProgramFilesFolder:0 win64:x64:x64:ProgramFiles64Folder:256; do
  IFS=: read -r name wixarch platform folder bits <<<"$arch"
  msi=$out/vesk-$version-$name.msi higher=$scratch/vesk-$next-$name.msi
  echo "--- $msi"
  check "$msi: $platform, English, per machine, $version by The Vesk developers" [ "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p') \
$(property "$msi" ALLUSERS) $(property "$msi" ProductVersion) $(property "$msi" Manufacturer)" = "$platform;1033 1 $version The Vesk developers" ]
  check "$msi holds the zip's five files" sh -c "msiextract -C $scratch/x-$name '$msi' >/dev/null &&
    diff -r \"\$(find $scratch/x-$name -type d -name Vesk)\" $scratch/$name/vesk-$version-$name"
  check "$msi puts each in a component of its own in $folder\\Vesk, which it appends to the system PATH" layout "$msi" "$folder" "$bits"
  check "$msi writes PATH, takes its entry out on removal, removes older versions; no restart, no shortcut" \
    [ "$(actions "$msi")" = "RemoveEnvironmentStrings RemoveExistingProducts WriteEnvironmentStrings " ]
  check "a $next package from the same files: the same upgrade code, another product code" eval 'cmake -DARCH=$wixarch \
    -DVERSION=$next -DFILES=$scratch/$name/vesk-$version-$name -DOUT=$higher -P packaging/msi.cmake >$scratch/msi.log 2>&1 &&
    [ "$(property "$msi" UpgradeCode)" = "$(property "$higher" UpgradeCode)" ] && [ "$(property "$msi" ProductCode)" != "$(property "$higher" ProductCode)" ]'
done
check "the 32-bit and the 64-bit installer have their own upgrade codes" [ "$(property "$out/vesk-$version-win32.msi" UpgradeCode)" != "$(property "$msi" UpgradeCode)" ]

if [ -n "${WINEPREFIX:-}" ] && [ -x "$wine" ]; then
  echo "--- $msi installed, installed again, upgraded and removed under Wine"
  # On a copy of the prefix: the shared one stays clean, every run starts alike.
  prefix=$scratch/prefix folder="$scratch/prefix/drive_c/Program Files/Vesk"
  cp -a "$WINEPREFIX" "$prefix"
  trap 'WINEPREFIX=$prefix "$server" -k 2>/dev/null; rm -rf "$scratch"' EXIT
  w() { WINEPREFIX=$prefix "$wine" "$@" </dev/null 2>/dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
  WINEPREFIX=$prefix "$server" -p30 </dev/null >/dev/null 2>&1
  w cmd /c exit >/dev/null
  msiexec() { local file; file=$(realpath "$2") && w msiexec "$1" "Z:${file//\//\\}" /qn; }  # msiexec /i|/x MSI
  listed() { w reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$(property "$1" ProductCode)" /v "$2"; }
  path_value() { w reg query 'HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment' /v PATH | sed -n 's/^ *PATH *REG_[A-Z_]* *//p'; }
  # Wine's msi takes out an entry with the ";" after it, so the one at the end
  # leaves the ";" before it: an empty entry, at which Wine 8's cmd ends its
  # PATH search (GetFullPathName fails on ""). So after an upgrade or removal
  # the entries are compared without empty ones, and vesk is not looked for.
  path_entries() { path_value | tr ';' '\n' | grep -v '^$'; }
  before_value=$(path_value) before=$(path_entries)
  found() { (cd "$scratch" && w cmd /c vesk /ver | grep -q 'Vesk 2\.'); }
  installed() {  # installed MSI: the zip's files once, the folder once at the end of PATH, the version listed
    diff -r "$folder" "$scratch/win64/vesk-$version-win64" && [ "$(find "$prefix/drive_c" -iname vesk.exe | wc -l)" -eq 1 ] &&
      [ "$(path_entries)" = "$before"$'\n''C:\Program Files\Vesk\' ] && listed "$1" Publisher | grep -q 'The Vesk developers$' &&
      listed "$1" DisplayVersion | grep -q "REG_SZ *$(property "$1" ProductVersion)$"
  }
  appended() { [ "$(path_value)" = "$before_value;C:\\Program Files\\Vesk\\" ] && found; }
  upgraded() { installed "$higher" && ! listed "$msi" DisplayVersion >/dev/null; }
  refused() { msiexec /i "$msi"; [ $? -eq $((1603 % 256)) ] && upgraded; }  # ERROR_INSTALL_FAILURE
  removed() { [ ! -e "$folder" ] && [ "$(path_entries)" = "$before" ] && ! listed "$higher" DisplayVersion >/dev/null; }
  check "no vesk found through PATH before the install" eval '! found'
  check "msiexec /i $msi /qn: exit 0 (no restart asked), its files once, its folder once on PATH, $version listed" eval 'msiexec /i "$msi" && installed "$msi"'
  check "PATH is as it was with ;C:\\Program Files\\Vesk\\ appended; a new console finds vesk" appended
  check "installed a second time: all the same" eval 'msiexec /i "$msi" && installed "$msi" && appended'
  check "the $next package replaces it: its files once, one PATH entry, only $next listed" eval 'msiexec /i "$higher" && upgraded'
  check "$version is refused over $next, which stays" refused
  check "msiexec /x: no files, no folder, PATH as before, not listed" eval 'msiexec /x "$higher" && removed'
fi

deb=$out/vesk_${version}_amd64.deb
echo "--- $deb"
contents=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sort | tr '\n' ' ')
want="./usr/bin/vesk ./usr/share/doc/vesk/changelog.gz ./usr/share/doc/vesk/copyright ./usr/share/man/man1/vesk.1.gz "
check "$deb holds $want(has $contents)" [ "$contents" = "$want" ]
check "$deb is package vesk $version for amd64" \
  [ "$(dpkg-deb -f "$deb" Package Version Architecture | tr '\n' ' ')" = "Package: vesk Version: $version Architecture: amd64 " ]
check "$deb depends on PCRE2's 16-bit library" sh -c "dpkg-deb -f '$deb' Depends | grep -q 'libpcre2-16-0'"
check "its copyright file is machine-readable and carries LICENSE" sh -c "
  dpkg-deb --fsys-tarfile '$deb' | tar -xOf - ./usr/share/doc/vesk/copyright >$scratch/copyright &&
  head -n 1 $scratch/copyright | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
  sed -n '/^License: Expat/,\$p' $scratch/copyright | tail -n +2 | sed 's/^ //; s/^\.\$//' >$scratch/expat &&
  sed -n '/^Permission/,\$p' LICENSE | cmp -s - $scratch/expat"

root=$scratch/root
check "dpkg -x unpacks it" dpkg -x "$deb" "$root"
check "vesk /ver from the scratch root" sh -c "'$root/usr/bin/vesk' /ver | grep -q 'Vesk 2\.'"
check "a search from the scratch root finds the line and exits with 1" sh -c "
  printf 'alpha\nbeta gamma\n' >$scratch/in.txt &&
  cd $scratch && { '$root/usr/bin/vesk' /n /s 'b.ta' in.txt >out.txt; [ \$? -eq 1 ]; } &&
  [ \"\$(cat out.txt)\" = '2: beta gamma' ]"
check "the manual page unpacks and renders" sh -c "zcat '$root/usr/share/man/man1/vesk.1.gz' | cmp -s - packaging/vesk.1 &&
  MANWIDTH=80 man -l '$root/usr/share/man/man1/vesk.1.gz' 2>/dev/null | grep -q 'vesk - search and replace'"
check "lintian finds no errors or warnings" sh -c "
  lintian --fail-on error,warning -I --pedantic '$deb' 2>&1 | grep -v 'running with root privileges' | tee $scratch/lintian.txt >&2"

if [ "$(id -u)" -eq 0 ]; then
  if dpkg-query -W -f '${Status}' vesk 2>/dev/null | grep -q 'ok installed'; then
    echo "vesk is installed on this machine already: dpkg -i and -r not tried"
  else
    check "dpkg -i installs it" sh -c "dpkg -i '$deb' >$scratch/dpkg.log 2>&1 || { cat $scratch/dpkg.log; exit 1; }"
    check "the installed vesk runs /ver and a search" sh -c "
      vesk /ver | grep -q 'Vesk 2\.' && printf 'one\ntwo\n' | vesk /s two | grep -qx two && man -w vesk >/dev/null"
    check "dpkg -r removes it and its files" sh -c "dpkg -r vesk >$scratch/dpkg.log 2>&1 &&
      [ ! -e /usr/bin/vesk ] && [ ! -e /usr/share/man/man1/vesk.1.gz ] && [ ! -e /usr/share/doc/vesk ]"
  fi
fi

echo "--- manuals"
check "groff -man -ww -z is silent on vesk.1" sh -c "[ -z \"\$(groff -man -ww -z packaging/vesk.1 2>&1)\" ]"
check "every option letter in README.md, README.ja.md and vesk.1" \
  node tests/packaging/option_letters.mjs --exe "$root/usr/bin/vesk"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
