#!/usr/bin/env bash
# The Debian package cpack makes from this build: every file at its place, the
# Qt libraries among its dependencies, a removal that takes away the
# machine-wide entries of its program, and lintian-clean where lintian is
# installed: tst_package.sh BUILD_DIR
set -euo pipefail
build=$1
command -v dpkg-deb >/dev/null || { echo "SKIP: dpkg-deb is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/log" 2>&1 ||
    fail "cpack: $(cat "$work/log")"
deb=$(echo "$work"/spanmeter_*.deb)
dpkg-deb -c "$deb" | awk '{ print $1, $NF }' >"$work/contents"
while read -r mode path; do
    grep -qx -- "$mode ./usr/$path" "$work/contents" || fail "no $mode /usr/$path in: $(cat "$work/contents")"
done <<'EOF_FILES'
-rwxr-xr-x bin/spanmeter
-rwxr-xr-x bin/spanmeter-report
-rw-r--r-- bin/spanmeter.HLP
-rw-r--r-- share/applications/spanmeter.desktop
-rw-r--r-- share/icons/hicolor/16x16/apps/spanmeter.png
-rw-r--r-- share/icons/hicolor/24x24/apps/spanmeter.png
-rw-r--r-- share/icons/hicolor/32x32/apps/spanmeter.png
-rw-r--r-- share/icons/hicolor/48x48/apps/spanmeter.png
-rw-r--r-- share/icons/hicolor/64x64/apps/spanmeter.png
-rw-r--r-- share/icons/hicolor/128x128/apps/spanmeter.png
-rw-r--r-- share/icons/hicolor/256x256/apps/spanmeter.png
-rw-r--r-- share/icons/hicolor/scalable/apps/spanmeter.svg
-rw-r--r-- share/man/man1/spanmeter.1.gz
-rw-r--r-- share/man/man1/spanmeter-report.1.gz
-rw-r--r-- share/doc/spanmeter/copyright
EOF_FILES
dpkg-deb -f "$deb" Depends | grep -q "libqt6widgets6" || fail "Depends: $(dpkg-deb -f "$deb" Depends)"

# The removal script, run on a tree of its own (dpkg names the root in
# DPKG_ROOT): entries of the package's program and of earlier versions go,
# another copy's entry and a link stay, and an upgrade removes nothing.
dpkg-deb -e "$deb" "$work/control"
[ -x "$work/control/postrm" ] || fail "no executable postrm in: $(ls -l "$work/control")"
share=$work/root/usr/local/share
plant() {
    mkdir -p "$share/applications" "$share/kio/servicemenus" "$share/nemo/actions"
    printf '[Desktop Entry]\nTryExec=/usr/bin/spanmeter\n' >"$share/applications/spanmeter-open-with.desktop"
    printf '[Desktop Entry]\nTryExec=/opt/other/spanmeter\n' >"$share/kio/servicemenus/spanmeter.desktop"
    printf '[Nemo Action]\nDependencies=/usr/bin/spanmeter;\n' >"$share/nemo/actions/spanmeter.nemo_action"
    printf '[Desktop Entry]\nMimeType=inode/directory;\n' >"$share/applications/spanmeter-directory.desktop"
    printf '[Desktop Entry]\nTryExec=/usr/bin/spanmeter\n' >"$work/elsewhere"
    ln -sf "$work/elsewhere" "$share/applications/spanmeter-drive.desktop"
}
left() { (cd "$share" && find . -name '*spanmeter*' | sort | tr '\n' ' '); }
plant
DPKG_ROOT=$work/root sh "$work/control/postrm" upgrade 2.0 || fail "postrm upgrade failed"
[ "$(left)" = "./applications/spanmeter-directory.desktop ./applications/spanmeter-drive.desktop ./applications/spanmeter-open-with.desktop ./kio/servicemenus/spanmeter.desktop ./nemo/actions/spanmeter.nemo_action " ] ||
    fail "an upgrade removed entries: left $(left)"
DPKG_ROOT=$work/root sh "$work/control/postrm" remove || fail "postrm remove failed"
[ "$(left)" = "./applications/spanmeter-drive.desktop ./kio/servicemenus/spanmeter.desktop " ] ||
    fail "after removal: left $(left)"
[ -f "$work/elsewhere" ] || fail "the removal followed a link"

if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 || fail "$(cat "$work/lintian")"
else
    echo "lintian is not installed: not checked"
fi
echo "PASS"
