#!/usr/bin/env bash
# Times spanmeter-report against du, ncdu and gdu on generated trees, warm:
# every command runs once untimed, then N times in rounds (one run of each
# command per round, so drift on a shared machine hits them all alike); the
# table shows the median wall time, its ratio to `du -s --apparent-size -b`,
# the median CPU time and the peak resident memory. Then a cold round on the
# large tree: the page cache is dropped before every run (root only).
set -euo pipefail

usage() {
    cat <<'EOF'
Usage: bench/run.sh [--quick] [--runs N] [--cold-runs N] [--work DIR] [--no-build]

  --quick        small tree only, warm only (a fast check that everything runs)
  --runs N       timed warm runs per command after the warm-up (default 5, or $RUNS)
  --cold-runs N  cold runs per command (default 3, or $COLD_RUNS; 0 skips the round)
  --backup-only  only the backup tree's totals and times ($BACKUP_RUNS runs, default 3)
  --work DIR     where the trees and results go (default bench/out)
  --no-build     use the binaries already in build-bench
  --compare BIN  also time another spanmeter-report (an older build, say) in the
                 same rounds, as "before: ..." lines

$EXTRA_THREADS (for example "4 16") adds spanmeter-report -j N lines to both rounds.
EOF
}

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ROOT=$(cd "$BENCH_DIR/.." && pwd)
BUILD="$ROOT/build-bench"
WORK="$BENCH_DIR/out"
RUNS=${RUNS:-5}
COLD_RUNS=${COLD_RUNS:-3}
EXTRA_THREADS=${EXTRA_THREADS:-}
QUICK=0
BACKUP_ONLY=0
COMPARE=""
BUILD_IT=1

# The trees: about 20,000 directories and 300,000 files, and a small one.
LARGE_ARGS=(--dirs 20000 --files 300000 --depth 18 --seed 1)
SMALL_ARGS=(--dirs 2000 --files 30000 --depth 12 --seed 2)
# A backup disk: ten snapshots of the same 30,000 files, hard-linked, and a few
# sparse disk images.
BACKUP_ARGS=(--dirs 2000 --files 30000 --depth 12 --seed 3 --snapshots 10 --images 3)
BACKUP_RUNS=${BACKUP_RUNS:-3}

die() {
    echo "run.sh: $*" >&2
    exit 1
}
note() { echo "run.sh: $*" >&2; }

while [ $# -gt 0 ]; do
    case "$1" in
    --quick) QUICK=1 ;;
    --runs)
        [ $# -ge 2 ] || die "--runs needs a number"
        RUNS=$2
        shift
        ;;
    --runs=*) RUNS=${1#--runs=} ;;
    --cold-runs)
        [ $# -ge 2 ] || die "--cold-runs needs a number"
        COLD_RUNS=$2
        shift
        ;;
    --cold-runs=*) COLD_RUNS=${1#--cold-runs=} ;;
    --work)
        [ $# -ge 2 ] || die "--work needs a directory"
        WORK=$2
        shift
        ;;
    --work=*) WORK=${1#--work=} ;;
    --no-build) BUILD_IT=0 ;;
    --backup-only) BACKUP_ONLY=1 ;;
    --compare)
        [ $# -ge 2 ] || die "--compare needs a program"
        COMPARE=$2
        shift
        ;;
    -h | --help)
        usage
        exit 0
        ;;
    *)
        usage >&2
        exit 2
        ;;
    esac
    shift
done
[[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || die "--runs must be a positive whole number, not '$RUNS'"
[[ "$COLD_RUNS" =~ ^[0-9]+$ ]] || die "--cold-runs must be a whole number, not '$COLD_RUNS'"
[[ "$EXTRA_THREADS" =~ ^[0-9\ ]*$ ]] || die "EXTRA_THREADS must list numbers, not '$EXTRA_THREADS'"
[ -z "$COMPARE" ] || [ -x "$COMPARE" ] || die "--compare: $COMPARE is not a program"
mkdir -p "$WORK"
WORK=$(cd "$WORK" && pwd)
TMPD=$(mktemp -d)
trap 'rm -rf "$TMPD"' EXIT

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

# --- tools ------------------------------------------------------------------
install_missing() {
    local missing=()
    command -v ncdu >/dev/null || missing+=(ncdu)
    command -v gdu >/dev/null || missing+=(gdu)
    [ -x /usr/bin/time ] || missing+=(time) # GNU time: peak memory (%M)
    command -v python3 >/dev/null || missing+=(python3)
    command -v cmake >/dev/null || missing+=(cmake)
    command -v c++ >/dev/null || missing+=(g++)
    [ ${#missing[@]} -eq 0 ] && return
    note "installing ${missing[*]}"
    as_root apt-get update -qq || die "apt-get update failed"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null ||
        die "could not install ${missing[*]}"
}

# --- build ------------------------------------------------------------------
WINDOW_BENCH=""
build() {
    local log="$TMPD/build.log" targets=(spanmeter-report)
    if [ "$BUILD_IT" -eq 1 ]; then
        note "configuring and building (Release) in $BUILD"
        if ! cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >"$log" 2>&1; then
            tail -n 40 "$log" >&2
            die "cmake configure failed"
        fi
        # Whole output first: grep -q would leave early and fail the pipe.
        cmake --build "$BUILD" --target help >"$TMPD/targets" 2>/dev/null || true
        if grep -qw spanmeter-window-bench "$TMPD/targets"; then
            targets+=(spanmeter-window-bench)
        fi
        if ! cmake --build "$BUILD" -j 2 --target "${targets[@]}" >"$log" 2>&1; then
            tail -n 40 "$log" >&2
            die "build of ${targets[*]} failed"
        fi
    fi
    REPORT="$BUILD/spanmeter-report"
    [ -x "$REPORT" ] || die "$REPORT is missing"
    [ -x "$BUILD/spanmeter-window-bench" ] && WINDOW_BENCH="$BUILD/spanmeter-window-bench"
    return 0
}

# --- trees ------------------------------------------------------------------
# A tree is reused while it was made by the same generator with the same
# arguments; the stamp beside it (never inside: it would be counted) says so.
prepare_tree() {
    local name=$1
    shift
    local tree="$WORK/$name" stamp="$WORK/$name.stamp" want
    want="$(sha256sum "$BENCH_DIR/make_tree.py" | cut -d' ' -f1) $*"
    if [ -d "$tree" ] && [ -f "$stamp" ] && [ "$(head -n 1 "$stamp")" = "$want" ]; then
        note "reusing $tree"
        return
    fi
    rm -rf -- "$tree" "$stamp"
    note "making $tree ($*)"
    local summary
    summary=$(python3 "$BENCH_DIR/make_tree.py" "$tree" "$@") || die "make_tree.py failed"
    printf '%s\n%s\n' "$want" "$summary" >"$stamp"
}

tree_summary() { sed -n 2p "$WORK/$1.stamp"; }

# --- timing -----------------------------------------------------------------
# shellcheck source=bench/timing.sh
. "$BENCH_DIR/timing.sh"

# Times every command of the arrays LABELS / CMDS on one tree, warm; fills
# MED_US, CPU_CS and PEAK_KIB (indexed like LABELS).
time_all() {
    local tree=$1 i
    warm_up "$tree"
    rounds "$tree" res "$RUNS"
    MED_US=() CPU_CS=() PEAK_KIB=()
    for i in "${!LABELS[@]}"; do
        MED_US[i]=$(median_of "res.$i" 1)
        PEAK_KIB[i]=$(peak "res.$i")
        CPU_CS[i]=$(median_of "res.$i" 3)
    done
}

q() { printf '%q' "$1"; }

# With --compare: the other build's default lines, timed in the same rounds.
add_compare() {
    [ -n "$COMPARE" ] || return 0
    local c
    c=$(q "$COMPARE")
    LABELS+=("before: spanmeter-report" "before: spanmeter-report -e")
    CMDS+=("$c $1" "$c -e $1")
}

# --- one tree ---------------------------------------------------------------
RESULTS="$TMPD/results"
: >"$RESULTS"
out() { printf '%s\n' "$*" | tee -a "$RESULTS"; }

bench_tree() {
    local name=$1 tree="$WORK/$1" t base i
    t=$(q "$tree")
    LABELS=(
        "spanmeter-report"
        "spanmeter-report -j 1"
        "spanmeter-report -e"
        "spanmeter-report -e -j 1"
        "du -s --apparent-size -b"
        "du -s"
        "ncdu -0 -o /dev/null"
        "gdu -n -p -s"
        "spanmeter-report -j 2"
    )
    local r
    r=$(q "$REPORT")
    CMDS=(
        "$r $t"
        "$r -j 1 $t"
        "$r -e $t"
        "$r -e -j 1 $t"
        "du -s --apparent-size -b $t"
        "du -s $t"
        "ncdu -0 -o /dev/null $t"
        "gdu -n -p -s $t"
        "$r -j 2 $t"
    )
    for n in $EXTRA_THREADS; do
        LABELS+=("spanmeter-report -j $n")
        CMDS+=("$r -j $n $t")
    done
    add_compare "$t"
    time_all "$name"
    base=${MED_US[4]}
    [ "$base" -gt 0 ] || base=1

    out ""
    out "Tree '$name': $(tree_summary "$name")"
    out "$(printf '%-28s %10s %8s %8s %10s' "command" "median s" "ratio" "cpu s" "peak MiB")"
    out "$(printf '%.0s-' {1..68})"
    for i in "${!LABELS[@]}"; do
        out "$(awk -v l="${LABELS[$i]}" -v us="${MED_US[$i]}" -v b="$base" -v cs="${CPU_CS[$i]}" \
            -v kib="${PEAK_KIB[$i]}" \
            'BEGIN { printf "%-28s %10.3f %8.2f %8.2f %10.1f", l, us / 1e6, us / b, cs / 100, kib / 1024 }')"
    done
    out "(ratio = median time / median time of du -s --apparent-size -b)"

    # The goals for the walk, as ratios to the same baseline.
    out ""
    out "Goals on '$name':"
    goal "one thread, compressed" "${MED_US[1]}" "$base" 0.9
    goal "one thread, expanded" "${MED_US[3]}" "$base" 0.9
    goal "default threads, compressed" "${MED_US[0]}" "$base" 0.5
    goal "default threads, expanded" "${MED_US[2]}" "$base" 0.5
    out "$(awk -v kib="${PEAK_KIB[2]}" 'BEGIN { m = kib / 1024;
        printf "  %-34s %8.1f MiB  < 64 MiB  %s", "peak memory, spanmeter-report -e", m, (m < 64 ? "met" : "MISSED") }')"
    REPORT_E_US=${MED_US[2]}
    check_totals "$name"
}

# The same commands with an empty page cache before every run: the walk then
# waits on the device, and threads keep more of its requests in flight.
bench_cold() {
    local name=$1 tree="$WORK/$1" t r i run n
    if [ "$COLD_RUNS" -eq 0 ]; then
        return
    fi
    if [ "$(id -u)" -ne 0 ] || [ ! -w /proc/sys/vm/drop_caches ]; then
        out ""
        out "Cold round skipped: dropping the page cache needs root and a writable /proc/sys/vm/drop_caches."
        return
    fi
    t=$(q "$tree")
    r=$(q "$REPORT")
    LABELS=("du -s --apparent-size -b" "ncdu -0 -o /dev/null" "gdu -n -p -s" "spanmeter-report -j 1"
        "spanmeter-report -j 2" "spanmeter-report" "spanmeter-report -e")
    CMDS=("du -s --apparent-size -b $t" "ncdu -0 -o /dev/null $t" "gdu -n -p -s $t" "$r -j 1 $t"
        "$r -j 2 $t" "$r $t" "$r -e $t")
    for n in $EXTRA_THREADS; do
        LABELS+=("spanmeter-report -j $n")
        CMDS+=("$r -j $n $t")
    done
    add_compare "$t"
    n=${#LABELS[@]}
    rounds "$name: cold" cold "$COLD_RUNS" cold
    local base
    base=$(median_of cold.0 1)
    [ "$base" -gt 0 ] || base=1
    out ""
    out "Cold cache, tree '$name' (page cache dropped before each run, median of $COLD_RUNS):"
    out "$(printf '%-28s %10s %8s %8s %10s' "command" "median s" "ratio" "cpu s" "peak MiB")"
    out "$(printf '%.0s-' {1..68})"
    for ((i = 0; i < n; i++)); do
        out "$(awk -v l="${LABELS[$i]}" -v us="$(median_of "cold.$i" 1)" -v b="$base" \
            -v cs="$(median_of "cold.$i" 3)" -v kib="$(peak "cold.$i")" \
            'BEGIN { printf "%-28s %10.3f %8.2f %8.2f %10.1f", l, us / 1e6, us / b, cs / 100, kib / 1024 }')"
    done
    local gdu ours
    gdu=$(median_of cold.2 1)
    ours=$(median_of cold.5 1)
    out ""
    out "Goals on '$name', cold:"
    goal "default threads, compressed" "$ours" "$base" 0.4
    out "$(awk -v o="$ours" -v g="$gdu" 'BEGIN {
        printf "  %-34s %8.2f x gdu       %s", "faster than gdu", o / g, (o < g ? "met" : "MISSED") }')"
}

# A fast wrong answer is no answer: the expanded report's totals must equal
# the count and the sum of the sizes of the files and links that find sees.
CHECK_FAILED=0
check_totals() {
    local name=$1 tree="$WORK/$1" want got
    want=$(find "$tree" -mindepth 1 \( -type f -o -type l \) -printf '%s\n' |
        awk '{ n++; s += $1 } END { printf "%d %.0f", n, s }')
    got=$(LC_ALL=C "$REPORT" -e "$tree" | tr -d '\r' |
        awk '$1 == "Total:" { gsub(/\./, "", $2); gsub(/\./, "", $3); print $2, $3 }')
    if [ "$got" = "$want" ]; then
        out "Check: spanmeter-report -e totals equal find's (files and links, bytes): $want"
    else
        out "Check: spanmeter-report -e totals DIFFER: find says '$want', spanmeter-report '$got'"
        CHECK_FAILED=1
    fi
}

# shellcheck source=bench/backup.sh
. "$BENCH_DIR/backup.sh"

goal() {
    out "$(awk -v what="$1" -v us="$2" -v b="$3" -v lim="$4" 'BEGIN { r = us / b;
        printf "  %-34s %8.2f      <= %.2f   %s", what, r, lim, (r <= lim + 1e-9 ? "met" : "MISSED") }')"
}

# The window's own benchmark: its printed seconds (scan start until the list
# holds every row) and the wall time of the whole process.
bench_window() {
    local name=$1 tree="$WORK/$1" cmd r secs rows=""
    cmd="env QT_QPA_PLATFORM=offscreen $(q "$WINDOW_BENCH") $(q "$tree")"
    note "$name: warm-up spanmeter-window-bench"
    run_once "$cmd"
    : >"$TMPD/win" && : >"$TMPD/winsecs"
    for ((r = 1; r <= RUNS; r++)); do
        note "$name: spanmeter-window-bench run $r of $RUNS"
        run_once "$cmd" "$TMPD/win" "$TMPD/winout"
        # "<seconds> s <rows> rows"; the decimal point may be the locale's comma.
        awk 'NR == 1 { sub(/,/, ".", $1); print $1 }' "$TMPD/winout" >>"$TMPD/winsecs"
        rows=$(awk 'NR == 1 && $4 == "rows" { print $3 }' "$TMPD/winout")
    done
    out ""
    out "Window, expanded view, tree '$name':"
    secs=$(awk '$1 ~ /^[0-9]+(\.[0-9]+)?$/ { printf "%d\n", $1 * 1e6 }' "$TMPD/winsecs" | median)
    local wall peak
    wall=$(median_of win 1)
    peak=$(peak win)
    if [ -n "$secs" ]; then
        out "$(awk -v s="$secs" -v e="$REPORT_E_US" 'BEGIN {
            printf "  %-34s %8.3f s  ratio to spanmeter-report -e %.2f", "scan start to every row shown", s / 1e6, s / e }')${rows:+, $rows rows}"
    else
        out "  (spanmeter-window-bench printed no seconds)"
    fi
    out "$(awk -v w="$wall" -v e="$REPORT_E_US" -v kib="$peak" 'BEGIN {
        printf "  %-34s %8.3f s  ratio to spanmeter-report -e %.2f, peak %.1f MiB", "whole process, both scans (wall)", w / 1e6, w / e, kib / 1024 }')"
}

# --- main -------------------------------------------------------------------
install_missing
build
if [ "$BACKUP_ONLY" -eq 0 ]; then
    prepare_tree small "${SMALL_ARGS[@]}"
    [ "$QUICK" -eq 1 ] || prepare_tree large "${LARGE_ARGS[@]}"
fi

out "Spanmeter benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
out "Host: $(nproc) CPUs, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), $(uname -sr)"
out "Work folder: $WORK ($(findmnt -no FSTYPE -T "$WORK" 2>/dev/null || stat -f -c %T "$WORK")); build: Release, $BUILD"
out "Warm: one untimed run of each command, then the median of $RUNS runs in rounds."
out "spanmeter-report without -j walks with its default number of threads."
out "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
if [ "$BACKUP_ONLY" -eq 1 ]; then
    prepare_tree backup "${BACKUP_ARGS[@]}"
    bench_backup backup
    dest="$WORK/results-backup.txt"
elif [ "$QUICK" -eq 1 ]; then
    bench_tree small
    if [ -n "$WINDOW_BENCH" ]; then bench_window small; fi
    dest="$WORK/results-quick.txt"
else
    bench_tree small
    bench_tree large
    if [ -n "$WINDOW_BENCH" ]; then bench_window large; fi
    bench_cold large
    prepare_tree backup "${BACKUP_ARGS[@]}"
    bench_backup backup
    dest="$WORK/results.txt"
fi
out ""
out "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
cp "$RESULTS" "$dest"
note "table written to $dest"
[ "$CHECK_FAILED" -eq 0 ] || die "spanmeter-report's totals differ from find's (see above)"
