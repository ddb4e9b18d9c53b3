#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree and checks it
# with lintian (no errors allowed).   make-deb.sh <build dir> <output dir>
# Prints the package's path last.
set -euo pipefail
build="$(cd "$1" && pwd)"
mkdir -p "$2"
out="$(cd "$2" && pwd)"
rm -f "$out"/tarnix_*.deb
(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log") || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/tarnix_*.deb)
rc=0
report=$(lintian --fail-on error --info "$deb" 2>&1) || rc=$?
# lintian warns when run as root (CI, containers); that is no finding.
grep -v "running with root privileges" <<<"$report" || true
[ $rc -eq 0 ] || { echo "lintian found errors in $deb"; exit 1; }
echo "$deb"
