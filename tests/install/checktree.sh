#!/usr/bin/env bash
# Checks an installed tree: every file in its place, and the desktop entry
# and the AppStream metadata valid (offline).
#   checktree.sh <prefix> <app id> <program>...
set -uo pipefail
prefix="$1"
appid="$2"
shift 2
fail=0
need() {
    if [ ! -s "$prefix/$1" ]; then
        echo "missing: $1"
        fail=1
    fi
}
for prog in "$@"; do
    need "bin/$prog"
    [ -x "$prefix/bin/$prog" ] || { echo "not executable: bin/$prog"; fail=1; }
    need "share/man/man1/$prog.1.gz"
done
need share/tarnix/shablon
need share/tarnix/readme.txt
need "share/tarnix/Лицензия.txt"
need "share/applications/$appid.desktop"
need "share/metainfo/$appid.metainfo.xml"
need "share/icons/hicolor/scalable/apps/$appid.svg"
for size in 16 22 24 32 48 64 128 256; do
    png="share/icons/hicolor/${size}x${size}/apps/$appid.png"
    need "$png"
    if [ -s "$prefix/$png" ] && ! file -b "$prefix/$png" | grep -q "PNG image data, $size x $size,"; then
        echo "wrong size: $png: $(file -b "$prefix/$png")"
        fail=1
    fi
done
need share/doc/tarnix/copyright
need share/doc/tarnix/changelog.gz

# The manual pages read without warnings.
for page in "$prefix"/share/man/man1/*.1.gz; do
    if ! out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null) || [ -n "$out" ]; then
        echo "warnings in $(basename "$page"): $out"
        fail=1
    fi
done
# The copyright file carries the licence's holder.
holder=$(sed -n 's/^Copyright (c) //p' "$(dirname "$0")/../../LICENSE")
grep -q "^Copyright: $holder\$" "$prefix/share/doc/tarnix/copyright" || { echo "copyright lacks '$holder'"; fail=1; }

# One application id names the entry, its icon and the metadata.
grep -qx "Icon=$appid" "$prefix/share/applications/$appid.desktop" || { echo "desktop entry's icon is not $appid"; fail=1; }
grep -q "<id>$appid</id>" "$prefix/share/metainfo/$appid.metainfo.xml" || { echo "metainfo id is not $appid"; fail=1; }
grep -q "<launchable type=\"desktop-id\">$appid.desktop</launchable>" "$prefix/share/metainfo/$appid.metainfo.xml" \
    || { echo "metainfo does not launch $appid.desktop"; fail=1; }

desktop-file-validate "$prefix/share/applications/$appid.desktop" || fail=1
appstreamcli validate --no-net "$prefix/share/metainfo/$appid.metainfo.xml" || fail=1
# The metadata and the desktop entry together, as software centres read them.
appstreamcli validate-tree --no-net "$prefix" || fail=1
exit $fail
