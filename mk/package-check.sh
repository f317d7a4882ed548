#!/usr/bin/env bash
# Checks a built korvanex .deb: its control fields, its exact contents, its copyright file
# and changelog, what lintian says of it, and that the tool and its manual page work once
# the package is installed into a scratch root.
# Usage: package-check.sh PACKAGE.deb
set -euo pipefail
# dpkg looks for ldconfig and start-stop-daemon on the PATH.
export PATH="$PATH:/usr/local/sbin:/usr/sbin:/sbin"

deb=$(realpath "$1")
checks=0
fail() {
  echo "package-check: FAILED: $*" >&2
  exit 1
}
pass() { checks=$((checks + 1)); }

[ -f "$deb" ] || fail "no package at $1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Control fields.
expect_field() {
  local value
  value=$(dpkg-deb -f "$deb" "$1")
  [ "$value" = "$2" ] || fail "field $1 is '$value', expected '$2'"
  pass
}
expect_field Package korvanex
expect_field Version 1.0-1
expect_field Section net
expect_field Priority optional
expect_field Architecture "$(dpkg --print-architecture)"
expect_field Maintainer "KORVANEX maintainers <maintainers@korvanex.invalid>"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6; do
  [[ ", $depends" == *", $library ("* ]] || fail "Depends lacks $library: '$depends'"
  pass
done
description=$(dpkg-deb -f "$deb" Description)
[ "$(head -n 1 <<<"$description")" = "import AREAS.BBS echo-area lists into an Ostrel BBS" ] ||
  fail "Description synopsis is '$(head -n 1 <<<"$description")'"
[ "$(wc -l <<<"$description")" -ge 3 ] || fail "Description has no extended text"
pass

# Contents: the tool, its page, its copyright file, changelog and lintian overrides, owned
# by root, and nothing else.
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }' | sort >"$scratch/contents"
cat >"$scratch/expected" <<'EOF'
-rw-r--r-- root/root ./usr/share/doc/korvanex/changelog.Debian.gz
-rw-r--r-- root/root ./usr/share/doc/korvanex/copyright
-rw-r--r-- root/root ./usr/share/lintian/overrides/korvanex
-rw-r--r-- root/root ./usr/share/man/man1/korvanex.1.gz
-rwxr-xr-x root/root ./usr/bin/korvanex
EOF
sort -o "$scratch/expected" "$scratch/expected"
diff -u "$scratch/expected" "$scratch/contents" >&2 || fail "unexpected package contents"
pass

# The copyright file is LICENSE in Debian's machine-readable format; the changelog's latest
# entry is this version.
dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$scratch" ./usr/share/doc/korvanex
doc="$scratch/usr/share/doc/korvanex"
license="$(dirname "$0")/../LICENSE"
head -n 1 "$doc/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "copyright is not in the machine-readable format"
grep -qx "Copyright: $(sed -n 's/^Copyright (c) //p' "$license")" "$doc/copyright" ||
  fail "copyright does not name the holder of LICENSE"
diff -u <(tail -n +5 "$license") <(sed -n '/^License: Expat$/,$ { /^License:/d; s/^ //; s/^\.$//; p }' \
  "$doc/copyright") >&2 || fail "copyright does not hold the licence text of LICENSE"
pass
[ "$(gzip -dc "$doc/changelog.Debian.gz" | head -n 1)" = \
  "korvanex ($(dpkg-deb -f "$deb" Version)) unstable; urgency=medium" ] ||
  fail "the changelog's latest entry is not this version"
pass

# lintian finds no error and no warning (its info tags are not checked).
lintian --fail-on error,warning "$deb" >&2 || fail "lintian reports errors or warnings"
pass

# Install into a scratch root: through dpkg itself when we may (its database there knows
# no libraries, hence --force-depends), by plain extraction otherwise.
root="$scratch/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
: >"$root/var/lib/dpkg/status"
if [ "$(id -u)" = 0 ]; then
  installed_by_dpkg=true
  dpkg --root="$root" --log=/dev/null --force-depends -i "$deb" >"$scratch/dpkg.log" 2>&1 ||
    { cat "$scratch/dpkg.log" >&2; fail "dpkg -i into a scratch root"; }
else
  installed_by_dpkg=false
  dpkg-deb -x "$deb" "$root"
fi
tool="$root/usr/bin/korvanex"
[ -x "$tool" ] || fail "usr/bin/korvanex is not installed"
file -b "$tool" | grep -q ', stripped' || fail "usr/bin/korvanex is not stripped"
pass

# No arguments, beside a defaults file: banner and usage, status 1.
run="$scratch/run"
mkdir -p "$run/data"
head -c 117 /dev/zero >"$run/korvanex.cfg"
status=0
(cd "$run" && "$tool" </dev/null >"$scratch/out") || status=$?
[ "$status" = 1 ] || fail "no arguments: exit status $status, expected 1"
printf '%s\n' "" \
  "KORVANEX v1.0 : Imports AREAS.BBS File Into Ostrel" \
  "              : Compatible with Ostrel BBS v1.07.2" \
  "" \
  "              : KORVANEXS -CONFIG" \
  "              : KORVANEXS [root ostrel dir] [filename to import]" >"$scratch/usage"
diff -u "$scratch/usage" "$scratch/out" >&2 || fail "no arguments: wrong banner or usage"
pass

# An import: a host whose data directory is data/, one area to create and a netmail area
# to pass over; a second run finds the base and creates nothing.
head -c 1824 /dev/zero >"$run/ostrel.dat"
printf '\005data/' | dd of="$run/ostrel.dat" bs=1 seek=82 conv=notrunc status=none
: >"$run/data/mbases.dat"
printf '!/bbs/echo/general GENERAL 1:2/3\r\n!/bbs/echo/netmail NETMAIL\r\n' >"$run/areas.bbs"
import() {
  status=0
  (cd "$run" && "$tool" . areas.bbs </dev/null >"$scratch/out") || status=$?
  [ "$status" = 0 ] || { cat "$scratch/out" >&2; fail "import: exit status $status"; }
  tail -n 1 "$scratch/out" | grep -qx "Complete; Imported $1 bases."$'\r' ||
    fail "import: summary is '$(tail -n 1 "$scratch/out")', expected $1 bases"
  [ "$(stat -c %s "$run/data/mbases.dat")" = 282 ] || fail "import: mbases.dat is not one record"
  [ "$(head -c 8 "$run/data/mbases.dat" | tail -c 7)" = GENERAL ] || fail "import: wrong base name"
  pass
}
import 1
import 0

# The manual page: where man looks for it, intact, and rendered without a warning.
[ "$(man -M "$root/usr/share/man" -w korvanex)" = "$root/usr/share/man/man1/korvanex.1.gz" ] ||
  fail "man does not find the installed page"
gzip -t "$root/usr/share/man/man1/korvanex.1.gz" || fail "the manual page is not valid gzip"
MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings=all -l "$root/usr/share/man/man1/korvanex.1.gz" \
  >"$scratch/page" 2>"$scratch/warnings" || fail "man -l failed"
[ ! -s "$scratch/warnings" ] || { cat "$scratch/warnings" >&2; fail "man -l warns"; }
grep -q '^NAME' "$scratch/page" && grep -q 'korvanex - import' "$scratch/page" ||
  fail "the rendered page has no NAME section"
pass

# Removal leaves nothing behind but the directories it found.
if $installed_by_dpkg; then
  dpkg --root="$root" --log=/dev/null -r korvanex >>"$scratch/dpkg.log" 2>&1 ||
    { cat "$scratch/dpkg.log" >&2; fail "dpkg -r from the scratch root"; }
  left=$(find "$root" -path "$root/var" -prune -o -type f -print)
  [ -z "$left" ] || fail "dpkg -r left files behind: $left"
  ! grep -q '^Package: korvanex$' "$root/var/lib/dpkg/status" || fail "dpkg still lists korvanex"
  pass
fi

echo "package-check: all $checks checks of $(basename "$deb") passed"
