#!/usr/bin/env bash
# The manual pages render without a warning, and spanmeter-report's page tells
# of every option its --help shows: tst_manpages.sh PAGES_DIR SPANMETER_REPORT
set -euo pipefail
pages=$1
program=$2
command -v groff >/dev/null || { echo "SKIP: groff is not installed"; exit 77; }

for page in "$pages/spanmeter.1" "$pages/spanmeter-report.1"; do
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || { echo "FAIL: $page: $warnings"; exit 1; }
done

text=$(groff -man -Tascii -P-cbou "$pages/spanmeter-report.1")
options=$("$program" --help | grep -oE -- '(^|[][ |,])--?[a-z][a-z-]*' | sed 's/^[][ |,]//' | sort -u)
for option in $options; do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$text" ||
        { echo "FAIL: the manual page lacks $option"; exit 1; }
done
echo "PASS: $(wc -w <<<"$options") options"
