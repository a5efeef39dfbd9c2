# The backup tree's table for bench/run.sh, which sources it: what each tool
# counts there, and how fast.

# What each tool says the backup tree holds, and how long it takes to say it.
# du and gdu count hard-linked files once and directories too; ncdu's totals
# (read from its export) likewise; spanmeter-report counts every file entry
# in Files and Bytes, hard links once in Occupied, and no directories.
bench_backup() {
    local name=$1 tree="$WORK/$1" t r i n
    t=$(q "$tree")
    r=$(q "$REPORT")
    LABELS=("du -s -B1" "du -s --apparent-size -b" "ncdu -0 -o FILE" "gdu -n -p -s --no-prefix"
        "gdu -n -p -s -a --no-prefix" "spanmeter-report")
    CMDS=("du -s -B1 $t" "du -s --apparent-size -b $t" "ncdu -0 -o $(q "$TMPD/ncdu.json") $t"
        "gdu -n -p -s --no-prefix $t" "gdu -n -p -s -a --no-prefix $t" "env LC_ALL=C $r $t")
    if [ -n "$COMPARE" ]; then
        LABELS+=("before: spanmeter-report")
        CMDS+=("env LC_ALL=C $(q "$COMPARE") $t")
    fi
    n=${#LABELS[@]}
    local totals=()
    for ((i = 0; i < n; i++)); do
        note "$name: warm-up ${LABELS[$i]}"
        run_once "${CMDS[$i]}" "" "$TMPD/bkout.$i"
        case $i in
        0) totals[i]="| | $(awk '{ print $1 }' "$TMPD/bkout.$i")" ;;
        1) totals[i]="| $(awk '{ print $1 }' "$TMPD/bkout.$i") |" ;;
        2)
            totals[i]=$(python3 -c '
import json, sys
seen, files, asize, dsize = set(), 0, 0, 0
def walk(node, dev):
    global files, asize, dsize
    info = node[0] if isinstance(node, list) else node
    dev = info.get("dev", dev)
    if not isinstance(node, list):
        files += 1
    if not info.get("hlnkc") or (dev, info["ino"]) not in seen:
        seen.add((dev, info.get("ino")))
        asize += info.get("asize", 0)
        dsize += info.get("dsize", 0)
    if isinstance(node, list):
        for child in node[1:]:
            walk(child, dev)
walk(json.load(open(sys.argv[1]))[3], 0)
print(f"{files} | {asize} | {dsize}")' "$TMPD/ncdu.json")
            ;;
        3) totals[i]="| | $(awk '{ print $1 }' "$TMPD/bkout.$i")" ;;
        4) totals[i]="| $(awk '{ print $1 }' "$TMPD/bkout.$i") |" ;;
        *) totals[i]=$(tr -d '\r' <"$TMPD/bkout.$i" | awk '$1 == "Total:" {
                gsub(/\./, ""); print $2 " | " $3 " | " $4 }') ;;
        esac
    done
    rounds "$name" bk "$BACKUP_RUNS"
    out ""
    out "Tree '$name': $(tree_summary "$name")"
    out "Totals (files | bytes | on disk) and median of $BACKUP_RUNS warm runs:"
    out ""
    out "| command | files | bytes | on disk | median s |"
    out "|---|---|---|---|---|"
    for ((i = 0; i < n; i++)); do
        out "| \`${LABELS[$i]}\` | $(echo "${totals[$i]}" | awk -F' *[|] *' '{
            for (f = 1; f <= 3; f++) {
                v = $f; s = ""
                while (length(v) > 3) { s = "," substr(v, length(v) - 2) s; v = substr(v, 1, length(v) - 3) }
                printf "%s | ", v s
            } }')$(median_of "bk.$i" 1 | awk '{ printf "%.3f |", $1 / 1e6 }')"
    done
}
