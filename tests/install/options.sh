#!/usr/bin/env bash
# --help and --version answer without a display and end the program at once;
# with --strict, a mistyped option or a stray argument is refused while Qt's
# own options pass (exit status 2, wrong usage).   options.sh <program> <version> [--strict]
set -uo pipefail
exe="$1"
version="$2"
strict="${3:-}"
fail=0
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 "$exe" "$@"; }

for opt in --version -v; do
    out=$(nodisplay "$opt" 2>&1); rc=$?
    if [ $rc -ne 0 ] || ! grep -q " $version\$" <<<"$out"; then
        echo "$opt: rc $rc, output: $out"; fail=1
    fi
done
for opt in --help -h; do
    out=$(nodisplay "$opt" 2>&1); rc=$?
    if [ $rc -ne 0 ] || ! grep -q -- "--version" <<<"$out" || ! grep -q "^Usage: " <<<"$out"; then
        echo "$opt: rc $rc, output: $out"; fail=1
    fi
done

if [ "$strict" = --strict ]; then
    # Qt's "-platform offscreen" is taken by Qt; only the bad option is named.
    out=$(QT_QPA_PLATFORM=offscreen timeout 20 "$exe" -platform offscreen --no-such-option 2>&1); rc=$?
    if [ $rc -ne 2 ] || ! grep -q "Unknown option 'no-such-option'" <<<"$out" || grep -q "platform" <<<"$out"; then
        echo "--no-such-option: rc $rc, output: $out"; fail=1
    fi
    out=$(QT_QPA_PLATFORM=offscreen timeout 20 "$exe" log.mdb 2>&1); rc=$?
    if [ $rc -ne 2 ] || ! grep -q "Unexpected argument 'log.mdb'" <<<"$out"; then
        echo "stray argument: rc $rc, output: $out"; fail=1
    fi
    # A one-dash word is never read as a bundle of letters ("-verbose" is not -v).
    out=$(QT_QPA_PLATFORM=offscreen timeout 20 "$exe" -verbose 2>&1); rc=$?
    if [ $rc -ne 2 ] || ! grep -q "Unknown option 'verbose'" <<<"$out"; then
        echo "-verbose: rc $rc, output: $out"; fail=1
    fi
fi
exit $fail
