#!/usr/bin/env bash
# install-deps.sh on this machine, where the build ran, so all it needs is here:
# tst_installdeps.sh SCRIPT
set -euo pipefail
script=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A folder of links to every command on PATH but the package managers and the
# ones named.
commands_without() {
    local bin=$work/bin$# dir
    mkdir -p "$bin"
    IFS=: read -ra dirs <<<"$PATH"
    for dir in "${dirs[@]}"; do
        [ -d "$dir" ] || continue
        ln -s "$dir"/* "$bin"/ 2>/dev/null || true # the first of a name wins
    done
    for name in apt apt-get aptitude dpkg dpkg-query sudo "$@"; do
        rm -f "$bin/$name"
    done
    echo "$bin"
}
fail() {
    echo "FAIL: $*"
    exit 1
}

# Everything present, no package manager to be found (as on a machine without
# dpkg): nothing is missing, nothing is installed, exit 0.
PATH=$(commands_without) bash "$script" >"$work/out" 2>&1 || fail "exit $?: $(cat "$work/out")"
if grep -E "C\+\+|make|ninja|CMake|Qt|font" "$work/out"; then
    fail "named something the build needs"
fi

# Only the font missing: apt is asked for the font's packages and nothing else
# the build needs.
mkdir "$work/fake"
printf '#!/bin/sh\necho "$*" >>"%s/apt"\n' "$work" >"$work/fake/apt-get"
printf '#!/bin/sh\nexec "$@"\n' >"$work/fake/sudo"
chmod +x "$work/fake/apt-get" "$work/fake/sudo"
PATH=$work/fake:$(commands_without fc-match) bash "$script" >"$work/out" 2>&1 ||
    fail "exit $?: $(cat "$work/out")"
grep -q "^install .*fonts-liberation" "$work/apt" || fail "font not installed: $(cat "$work/apt")"
if grep -E "build-essential|cmake|qt6" "$work/apt"; then
    fail "installs what is there"
fi
echo "PASS"
