#!/usr/bin/env bash
# The folders include each other only downwards, as the README's Layout says:
# every #include "folder/..." of a program folder names that folder itself or
# one it may include. tst_includes.sh SOURCE_DIR
set -euo pipefail
src=$1

declare -A may=(
    [scan]=""
    [settings]="scan"
    [ui]=""
    [resources]=""
    [report]="scan ui"
    [view]="scan settings report ui"
    [about]="ui resources"
    [app]="scan settings report ui resources view about"
    [cli]="scan report"
)
# Tests and the benchmark reach into any layer.
unchecked=" tests bench "

failures=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    [ -f "$dir/CMakeLists.txt" ] || continue
    [[ $unchecked == *" $folder "* ]] && continue
    [ -n "$(find "$dir" \( -name '*.h' -o -name '*.cpp' \) -print -quit)" ] || continue
    if [ -z "${may[$folder]+set}" ]; then
        echo "FAIL: $folder/ has no include rule here nor in the README"
        failures=$((failures + 1))
        continue
    fi
    allowed=" $folder ${may[$folder]} "
    while IFS= read -r hit; do
        file=${hit%%:*}
        rest=${hit#*:}
        line=${rest%%:*}
        target=$(sed -E 's/.*"([^"]*)".*/\1/' <<<"${rest#*:}")
        # A name without a folder is looked up beside the file first.
        top=$folder
        [[ $target == */* ]] && top=${target%%/*}
        if [[ $allowed != *" $top "* ]]; then
            echo "FAIL: ${file#"$src"/}:$line includes \"$target\": $folder/ may include only ${may[$folder]:-itself}"
            failures=$((failures + 1))
        fi
    done < <(find "$dir" \( -name '*.h' -o -name '*.cpp' \) \
        -exec grep -nHE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' {} + || true)
done
[ "$failures" -eq 0 ] || exit 1
echo "PASS: every include keeps to its folder's rule"
