# The timing that bench/run.sh and bench/json.sh share; sourced once they have
# defined die, note and TMPD. Each run's figures are one line of a file:
# "wall_us peak_kib cpu_cs".

# EPOCHREALTIME as whole microseconds (its decimal point follows the locale).
to_us() { local t=${1/[.,]/}; echo $((10#$t)); }

# Runs one command line (an eval-able string); appends its figures to the
# file $2 when given. Its output goes to /dev/null, or to the file $3 when
# given; a failure stops the run.
run_once() {
    local cmd=$1 out=${2:-} stdout=${3:-/dev/null} start end mem user sys cpu
    start=$EPOCHREALTIME # read in place: a $(...) would fork inside the interval
    if ! eval "/usr/bin/time -f '%M %U %S' -o '$TMPD/time' $cmd" >"$stdout" 2>"$TMPD/stderr"; then
        sed -n 1,20p "$TMPD/stderr" >&2
        die "failed: $cmd"
    fi
    end=$EPOCHREALTIME
    read -r mem user sys <"$TMPD/time"
    if [ -n "$out" ]; then
        cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%d", (u + s) * 100 + 0.5 }')
        echo "$(($(to_us "$end") - $(to_us "$start"))) $mem $cpu" >>"$out"
    fi
}

median() {
    sort -n | awk '{ v[NR] = $1 }
        END { if (NR % 2) print v[(NR + 1) / 2]; else print int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

# One untimed run of every command of the array CMDS (labelled by LABELS).
warm_up() {
    local what=$1 i
    for i in "${!CMDS[@]}"; do
        note "$what: warm-up ${LABELS[$i]}"
        run_once "${CMDS[$i]}"
    done
}

# rounds WHAT PREFIX COUNT [cold]: COUNT rounds of one run of every command of
# CMDS, so drift on a shared machine hits them all alike; command i's figures
# go to $TMPD/PREFIX.i. With "cold" the page cache is dropped before every run
# (the caller checks that it may be).
rounds() {
    local what=$1 prefix=$2 count=$3 cold=${4:-} r i n=${#CMDS[@]}
    for ((i = 0; i < n; i++)); do : >"$TMPD/$prefix.$i"; done
    for ((r = 1; r <= count; r++)); do
        note "$what: round $r of $count"
        for ((i = 0; i < n; i++)); do
            if [ -n "$cold" ]; then
                sync
                echo 3 >/proc/sys/vm/drop_caches
            fi
            run_once "${CMDS[$i]}" "$TMPD/$prefix.$i"
        done
    done
}

# The median of one figure (1 wall, 3 cpu) of $TMPD/$1, or the peak memory.
median_of() { cut -d' ' -f"$2" "$TMPD/$1" | median; }
peak() { cut -d' ' -f2 "$TMPD/$1" | sort -n | tail -n 1; }
