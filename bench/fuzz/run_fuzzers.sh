#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a given time,
# one after another at the lowest priority (the machine is shared).
#   bench/fuzz/run_fuzzers.sh [seconds per target] [target...]
# Targets: adif cty ini datetime (default: all). New interesting inputs go to
# build-fuzz/corpus/<target>; crashing inputs to build-fuzz/crashes/<target>.
# Copy a crashing input into tests/fuzz/corpus/<target>/ once it is fixed, so
# the ordinary tests replay it.
set -euo pipefail
cd "$(dirname "$0")/../.."
SECONDS_EACH="${1:-600}"
shift || true
TARGETS="${*:-adif cty ini datetime}"
BUILD_DIR="${FUZZ_BUILD_DIR:-build-fuzz}"

if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTARNIX_FUZZ=ON -DTARNIX_BENCH=OFF -DTARNIX_MODULES="logdb;country;exchange"
fi
for t in $TARGETS; do
    nice -n 19 cmake --build "$BUILD_DIR" -j2 --target "fuzz_$t"
done

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
status=0
for t in $TARGETS; do
    work="$BUILD_DIR/corpus/$t"
    crashes="$BUILD_DIR/crashes/$t"
    mkdir -p "$work" "$crashes"
    echo "== fuzz_$t for ${SECONDS_EACH}s"
    # The seeds are read, the working corpus grows in the build dir only.
    rc=0
    # -timeout is generous: at the lowest priority on a busy machine a target
    # can stand still for seconds without being stuck.
    nice -n 19 "$BUILD_DIR/bin/fuzz_$t" "$work" "tests/fuzz/corpus/$t" \
        -max_total_time="$SECONDS_EACH" -timeout=60 -rss_limit_mb=2048 -max_len=65536 \
        -artifact_prefix="$crashes/" -print_final_stats=1 >"$BUILD_DIR/fuzz_$t.log" 2>&1 || rc=$?
    grep -E "^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|ERROR|SUMMARY|Test unit written|invariant" \
        "$BUILD_DIR/fuzz_$t.log" || true
    echo "== fuzz_$t exit $rc"
    [ "$rc" -eq 0 ] || status=1
done
exit $status
