#!/usr/bin/env bash
# Sets up, builds and runs every test: scripts/test.sh [extra cmake options]
# e.g. scripts/test.sh -DSPANMETER_SANITIZE="address;undefined" (use a separate
# SPANMETER_BUILD_DIR for each sanitizer build).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" "$@"
"$here/scripts/build.sh" "$@"
build=${SPANMETER_BUILD_DIR:-$here/build}
cd "$build"
ctest --output-on-failure -j2
