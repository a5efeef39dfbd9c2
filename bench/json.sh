#!/usr/bin/env bash
# Times spanmeter-report --json against ncdu -o and gdu -o on a large
# generated tree (80,000 directories, 1.2 million files), warm and (as root)
# cold, as ratios to `du -s --apparent-size -b`, with each one's peak memory
# from /usr/bin/time; and the default report of this build beside the one
# of a baseline revision, in the same rounds, so a slower default path shows.
#
#   bench/json.sh [--runs N] [--cold-runs N] [--work DIR] [--baseline REV] [--no-build]
#
# The baseline defaults to where this branch left main; the tree (some 9 GB)
# is made once under --work (default /work/benchtrees/e18) and reused.
# It shares the build directory (build-bench) and the tree generator with
# bench/run.sh and is kept apart from it on purpose.
set -euo pipefail

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$BENCH_DIR/.." && pwd)
BUILD="$ROOT/build-bench"
WORK=/work/benchtrees/e18
RUNS=${RUNS:-3}
COLD_RUNS=${COLD_RUNS:-1}
BASELINE=$(git -C "$ROOT" merge-base HEAD main 2>/dev/null || echo main)
BUILD_IT=1
TREE_ARGS=(--dirs 80000 --files 1200000 --depth 18 --seed 1)

die() {
    echo "json.sh: $*" >&2
    exit 1
}
note() { echo "json.sh: $*" >&2; }

while [ $# -gt 0 ]; do
    case "$1" in
    --runs) RUNS=${2:?}; shift ;;
    --cold-runs) COLD_RUNS=${2:?}; shift ;;
    --work) WORK=${2:?}; shift ;;
    --baseline) BASELINE=${2:?}; shift ;;
    --no-build) BUILD_IT=0 ;;
    -h | --help)
        sed -n 2,15p "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *) die "unknown argument: $1" ;;
    esac
    shift
done
[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || die "--runs must be a positive whole number"
[[ "$COLD_RUNS" =~ ^[0-9]+$ ]] || die "--cold-runs must be a whole number"
for tool in ncdu gdu /usr/bin/time python3 cmake; do
    command -v "$tool" >/dev/null || die "$tool is missing (bench/run.sh installs it)"
done
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
TMPD=$(mktemp -d)
trap 'rm -rf "$TMPD"' EXIT

# --- builds: this tree and the baseline revision ------------------------------
BASE_SRC="$WORK/baseline-src"
BASE_BUILD="$WORK/baseline-build"
if [ "$BUILD_IT" -eq 1 ]; then
    note "building spanmeter-report (Release) in $BUILD"
    cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >"$TMPD/build.log" 2>&1 &&
        cmake --build "$BUILD" -j 2 --target spanmeter-report >>"$TMPD/build.log" 2>&1 ||
        { tail -n 30 "$TMPD/build.log" >&2; die "build failed"; }
    note "building the baseline $BASELINE in $BASE_BUILD"
    rm -rf "$BASE_SRC"
    mkdir -p "$BASE_SRC"
    git -C "$ROOT" archive "$BASELINE" | tar -x -C "$BASE_SRC"
    cmake -S "$BASE_SRC" -B "$BASE_BUILD" -DCMAKE_BUILD_TYPE=Release >"$TMPD/build.log" 2>&1 &&
        cmake --build "$BASE_BUILD" -j 2 --target spanmeter-report >>"$TMPD/build.log" 2>&1 ||
        { tail -n 30 "$TMPD/build.log" >&2; die "baseline build failed"; }
fi
REPORT="$BUILD/spanmeter-report"
BASE_REPORT="$BASE_BUILD/spanmeter-report"
[ -x "$REPORT" ] && [ -x "$BASE_REPORT" ] || die "spanmeter-report is missing; build first"

# --- the tree, made once (the stamp beside it says by what) -------------------
TREE="$WORK/large"
want="$(sha256sum "$BENCH_DIR/make_tree.py" | cut -d' ' -f1) ${TREE_ARGS[*]}"
if [ ! -d "$TREE" ] || [ "$(head -n 1 "$WORK/large.stamp" 2>/dev/null)" != "$want" ]; then
    rm -rf -- "$TREE" "$WORK/large.stamp"
    note "making $TREE (${TREE_ARGS[*]}); this takes a while"
    summary=$(python3 "$BENCH_DIR/make_tree.py" "$TREE" "${TREE_ARGS[@]}") || die "make_tree.py failed"
    printf '%s\n%s\n' "$want" "$summary" >"$WORK/large.stamp"
fi

# --- timing -------------------------------------------------------------------
# shellcheck source=bench/timing.sh
. "$BENCH_DIR/timing.sh"

t=$(printf '%q' "$TREE")
r=$(printf '%q' "$REPORT")
b=$(printf '%q' "$BASE_REPORT")
LABELS=("du -s --apparent-size -b" "spanmeter-report" "spanmeter-report (${BASELINE:0:12})"
    "spanmeter-report --json" "spanmeter-report --json -j 1" "ncdu -o" "gdu -o")
CMDS=("du -s --apparent-size -b $t" "$r $t" "$b $t" "$r --json /dev/null $t"
    "$r --json /dev/null -j 1 $t" "ncdu -0 -x -o /dev/null $t" "gdu -n -p -o /dev/null $t")
n=${#LABELS[@]}

table() { # table TITLE PREFIX
    local base i
    base=$(median_of "$2.0" 1)
    echo
    echo "$1"
    printf '%-34s %10s %8s %10s\n' command "median s" ratio "peak MiB"
    printf '%.0s-' {1..65}
    echo
    for ((i = 0; i < n; i++)); do
        awk -v l="${LABELS[$i]}" -v us="$(median_of "$2.$i" 1)" -v b="$base" -v kib="$(peak "$2.$i")" \
            'BEGIN { printf "%-34s %10.3f %8.2f %10.1f\n", l, us / 1e6, us / b, kib / 1024 }'
    done
}

note "tree: $(sed -n 2p "$WORK/large.stamp")"
warm_up warm
rounds warm warm "$RUNS"
{
    echo "Tree: $(sed -n 2p "$WORK/large.stamp")"
    table "Warm cache (median of $RUNS; ratio to du -s --apparent-size -b):" warm
} | tee "$WORK/json-results.txt"

if [ "$COLD_RUNS" -gt 0 ] && [ "$(id -u)" -eq 0 ] && [ -w /proc/sys/vm/drop_caches ]; then
    rounds cold cold "$COLD_RUNS" cold
    table "Cold cache (page cache dropped before each run, median of $COLD_RUNS):" cold |
        tee -a "$WORK/json-results.txt"
else
    echo "Cold round skipped (needs root and a writable /proc/sys/vm/drop_caches)." |
        tee -a "$WORK/json-results.txt"
fi

# The export must fit in what the compressed report takes.
json=$(peak warm.3) report=$(peak warm.1)
awk -v j="$json" -v r="$report" 'BEGIN {
    printf "\npeak memory of --json %.1f MiB, of the compressed report %.1f MiB: %s\n",
        j / 1024, r / 1024, (j <= r ? "met" : "MISSED") }' | tee -a "$WORK/json-results.txt"
