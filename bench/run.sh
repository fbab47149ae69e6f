#!/usr/bin/env bash
# Builds the benchmark, runs it headless under Wine and writes the table to bench/results/.
#
#   bash bench/run.sh [--quick] [--only a,b,c,d]
#
# Environment:
#   BENCH_BASELINE=<git revision or source folder>
#                                  also build that version (with today's bench/) and measure it
#                                  first, in the same Wine session, for a before/after table
#   BENCH_BUILD_DIR=<folder>       build there instead of the regular build/x86_64
#   BENCH_JOBS=<n>                 parallel build jobs (default: all processors)
#   BENCH_DISPLAY=<n>              run Xvfb on display :n instead of the first free one
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

BENCH_DIR=$VANTREL_ROOT/bench
JOBS=${BENCH_JOBS:-$(nproc)}
STAMP=$(date +%Y-%m-%d)
RESULTS=$BENCH_DIR/results
mkdir -p "$RESULTS"
# A second run on the same day keeps the first one's files.
[ -e "$RESULTS/$STAMP.md" ] && STAMP=$(date +%Y-%m-%d-%H%M)

# Only the benchmark and what it starts are built: the tests are not needed for it.
build_bench() {
    local src=$1 dir=$2
    cmake -S "$src" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVANTREL_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-x86_64.cmake" >/dev/null
    cmake --build "$dir" -j "$JOBS" --target vantrel_bench
}

ensure_packages
if [ -n "${BENCH_BUILD_DIR:-}" ]; then
    log "building the benchmark in $BENCH_BUILD_DIR"
    build_bench "$VANTREL_ROOT" "$BENCH_BUILD_DIR"
    BIN=$BENCH_BUILD_DIR/bin
else
    log "building x86_64"
    build_arch x86_64
    BIN=$VANTREL_ROOT/build/x86_64/bin
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-bench.XXXXXX")
BASE_BIN=
BASE_NAME=
if [ -n "${BENCH_BASELINE:-}" ]; then
    # A fixed source folder, so that the baseline's build folder stays valid from run to run.
    BASE_BUILD=${BENCH_BUILD_DIR:-$VANTREL_ROOT/build/x86_64}-baseline
    BASE_SRC=$BASE_BUILD-src
    rm -rf "$BASE_SRC"
    mkdir -p "$BASE_SRC"
    if [ -d "$BENCH_BASELINE" ]; then
        (cd "$BENCH_BASELINE" && tar -c --exclude=./build --exclude=./bench/results .) |
            tar -x -C "$BASE_SRC"
        BASE_NAME="the source tree $BENCH_BASELINE"
    else
        git -C "$VANTREL_ROOT" archive "$BENCH_BASELINE" | tar -x -C "$BASE_SRC"
        BASE_NAME="revision $(git -C "$VANTREL_ROOT" rev-parse --short "$BENCH_BASELINE")"
    fi
    # The same benchmark measures both, so that only the program differs.
    rm -rf "$BASE_SRC/bench"
    mkdir -p "$BASE_SRC/bench"
    cp "$BENCH_DIR"/CMakeLists.txt "$BENCH_DIR"/*.cpp "$BENCH_DIR"/*.h "$BASE_SRC/bench/"
    log "building the baseline ($BASE_NAME) with the current benchmark"
    build_bench "$BASE_SRC" "$BASE_BUILD"
    BASE_BIN=$BASE_BUILD/bin
fi

PREFIX=$(fresh_prefix)
export WINEPREFIX=$PREFIX
XVFB_PID=
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    rm -rf "$PREFIX" "$WORK"
}
trap cleanup EXIT
if [ -n "${BENCH_DISPLAY:-}" ]; then
    Xvfb ":$BENCH_DISPLAY" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$BENCH_DISPLAY"
    for _ in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$BENCH_DISPLAY" ] && break
        sleep 0.1
    done
else
    start_xvfb
fi
# Hold the server for the whole run, so that no program pays for its start.
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true

LOAD_BEFORE=$(cut -d' ' -f1-3 /proc/loadavg)
STARTED=$(date +%s)
status=0
BASELINE_ARGS=()
if [ -n "$BASE_BIN" ]; then
    log "measuring the baseline (log: $WORK/baseline.log)"
    (cd "$WORK" && wine "$BASE_BIN/vantrel_bench.exe" --csv baseline.csv "$@" \
        >"$WORK/baseline.log" 2>&1) || status=$?
    cp "$WORK/baseline.csv" "$RESULTS/$STAMP-baseline.csv" 2>/dev/null || true
    BASELINE_ARGS=(--baseline baseline.csv)
fi
log "measuring the current build (log: $WORK/bench.log)"
(cd "$WORK" && wine "$BIN/vantrel_bench.exe" --csv bench.csv --md table.md \
    "${BASELINE_ARGS[@]}" "$@" >"$WORK/bench.log" 2>&1) || status=$?
LOAD_AFTER=$(cut -d' ' -f1-3 /proc/loadavg)
MINUTES=$(( ($(date +%s) - STARTED + 59) / 60 ))

cp "$WORK/bench.csv" "$RESULTS/$STAMP.csv" 2>/dev/null || true
{
    echo "# Vantrel benchmark, $(date '+%Y-%m-%d %H:%M')"
    echo
    echo "Machine: $(nproc) processors, $(uname -sr), $(wine --version), Xvfb."
    echo "Load average (1, 5, 15 min) before: $LOAD_BEFORE; after: $LOAD_AFTER. Run took about" \
        "$MINUTES min."
    if [ -n "$BASE_BIN" ]; then
        echo "Before: $BASE_NAME, built with the same benchmark; after: $VANTREL_ROOT."
    fi
    [ $# -gt 0 ] && echo "Arguments: $*"
    cat "$WORK/table.md" 2>/dev/null || echo "(no table: see the log below)"
    if [ "$status" -ne 0 ]; then
        echo
        echo '```'
        tail -n 40 "$WORK/bench.log"
        echo '```'
    fi
} >"$RESULTS/$STAMP.md"
cat "$RESULTS/$STAMP.md"
log "written: $RESULTS/$STAMP.md and $RESULTS/$STAMP.csv"
exit "$status"
