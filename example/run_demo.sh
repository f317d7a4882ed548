#!/bin/sh
# Runs an import on a fresh copy of the bundled example host and shows mbases.dat before
# and after. The files in example/ are never written: everything happens in the copy.
#   example/run_demo.sh BUILD_DIR
set -eu

build=$(cd "$1" && pwd)
example=$(cd "$(dirname "$0")" && pwd)
for tool in korvanex example/mbases_dump; do
  if [ ! -x "$build/$tool" ]; then
    echo "run_demo: $build/$tool is not built" >&2
    exit 1
  fi
done

scratch=$(mktemp -d "${TMPDIR:-/tmp}/korvanex-demo.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cp -R "$example/host" "$example/korvanex.cfg" "$example/AREAS.BBS" "$scratch/"
# The host's DataPath is host/data/, relative to the directory the tool runs in.
cd "$scratch"

echo "== A fresh copy of the example host"
echo "   host/ostrel.dat, host/data/mbases.dat, korvanex.cfg, AREAS.BBS"
echo
echo "== AREAS.BBS"
tr -d '\r' < AREAS.BBS
echo
echo "== mbases.dat before the import"
"$build/example/mbases_dump" host/data/mbases.dat
echo
echo "== korvanex host AREAS.BBS"
status=0
"$build/korvanex" host AREAS.BBS || status=$?
echo "(exit status $status)"
echo
echo "== mbases.dat after the import"
"$build/example/mbases_dump" host/data/mbases.dat
exit "$status"
