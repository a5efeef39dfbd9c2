#!/usr/bin/env bash
# Sets up, builds and starts Spanmeter on a directory: scripts/spanmeter.sh [DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh"
build=${SPANMETER_BUILD_DIR:-$here/build}
if [ -x "$build/spanmeter" ]; then
    exec "$build/spanmeter" "$@"
fi
exec "$build/spanmeter-report" "$@"
