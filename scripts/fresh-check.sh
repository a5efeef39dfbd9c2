#!/usr/bin/env bash
# Proves the README's test command on a fresh Debian 12: builds a minimal root
# with debootstrap, clones the project into it and runs scripts/test.sh there
# in a chroot. Not part of CI or CTest: a run takes long.
#
#   scripts/fresh-check.sh [--with-fonts-dejavu] [--user] [--repo URL-or-path]
#                          [--rev REV] ROOTDIR
#
#   --with-fonts-dejavu  install fonts-dejavu-core before anything else, with
#                        fontconfig: a machine with DejaVu and no Liberation
#   --user               run the tests as an ordinary user with passwordless sudo
#   --repo, --rev        what to clone (default: this checkout and its HEAD)
#
# Runs as root. The pristine debootstrap result is kept beside ROOTDIR
# (base-bookworm/) and copied for every run; the log is ROOTDIR.log. The chroot
# runs in a private mount namespace and its own PID namespace, so no mount and
# no process outlives the script. A folder is removed only when this script
# made it and nothing is mounted at or below it.
set -euo pipefail

die() { echo "fresh-check: $*" >&2; exit 2; }
say() { echo "fresh-check: $*"; }

# The mount points at or below $1, as this namespace sees them.
mounts_below() {
    awk -v dir="$1" '{
        m = $5; gsub(/\\040/, " ", m); gsub(/\\011/, "\t", m); gsub(/\\134/, "\\", m)
        if (m == dir || index(m, dir "/") == 1) print m
    }' /proc/self/mountinfo
}

# remove DIR MARKER: only a folder this script made (it holds MARKER), with
# nothing mounted below it; rm -r never follows links, and stays on this device.
remove_made_folder() {
    local dir=$1 marker=$2
    [ -e "$dir" ] || return 0
    [ ! -L "$dir" ] || die "$dir is a link; not removing it"
    [ -e "$dir/$marker" ] || die "$dir was not made by this script; not removing it"
    if [ -n "$(mounts_below "$dir")" ]; then
        die "something is mounted below $dir; not removing it: $(mounts_below "$dir" | tr '\n' ' ')"
    fi
    rm -rf --one-file-system -- "$dir"
}

# The mirror this machine's apt uses for SUITE (one-line and deb822 sources).
host_mirror() {
    local f
    for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
        [ -r "$f" ] && { cat "$f"; echo; }
    done | awk -v want="$1" '
        /^[[:space:]]*#/ { next }
        $1 == "deb" { i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
                      if ($(i + 1) == want) { print $i; exit } next }
        $1 == "URIs:" { uri = $2 }
        $1 == "Suites:" { for (j = 2; j <= NF; j++) if ($j == want) hit = 1 }
        /^[[:space:]]*$/ { if (hit && uri) { print uri; exit } uri = ""; hit = 0 }'
}

# Runs a command in the root as root, with the environment of a fresh login.
in_root() {
    chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        DEBIAN_FRONTEND=noninteractive "$@"
}

# The part that runs as PID 1 of its own PID namespace, in a private mount
# namespace: every mount below dies with it, and so does every process.
inside() {
    # The root a mount of its own, so that "/" in the chroot is a mount point
    # as on a machine (a test makes its mounts private from there).
    mount --bind "$root" "$root"
    mount -t proc -o nosuid,nodev,noexec proc "$root/proc"
    mount -t sysfs -o ro,nosuid,nodev,noexec sysfs "$root/sys"
    # A /dev of its own with the usual nodes, not the machine's disks.
    mount -t tmpfs -o nosuid,noexec,mode=755,size=4m dev "$root/dev"
    local node
    for node in "null 1 3" "zero 1 5" "full 1 7" "random 1 8" "urandom 1 9" "tty 5 0"; do
        # shellcheck disable=SC2086 # split on purpose: name, major, minor
        set -- $node
        mknod -m 666 "$root/dev/$1" c "$2" "$3"
    done
    mkdir "$root/dev/pts" "$root/dev/shm"
    mount -t devpts -o newinstance,nosuid,noexec,ptmxmode=0666,mode=620 devpts "$root/dev/pts"
    mount -t tmpfs -o nosuid,nodev,mode=1777 shm "$root/dev/shm"
    ln -s pts/ptmx "$root/dev/ptmx"
    ln -s /proc/self/fd "$root/dev/fd"
    ln -s fd/0 "$root/dev/stdin" && ln -s fd/1 "$root/dev/stdout" && ln -s fd/2 "$root/dev/stderr"

    in_root apt-get update -qq
    if [ "$fonts" = 1 ]; then
        in_root apt-get install -y -qq --no-install-recommends fonts-dejavu-core fontconfig
    fi
    in_root apt-get install -y -qq --no-install-recommends git sudo

    local home=/root name=root runas=()
    if [ "$user" = 1 ]; then
        in_root useradd --create-home --shell /bin/bash tester
        echo 'tester ALL=(ALL:ALL) NOPASSWD: ALL' >"$root/etc/sudoers.d/tester"
        chmod 0440 "$root/etc/sudoers.d/tester"
        home=/home/tester name=tester
        runas=(runuser -u tester --)
    fi
    # Cloned from outside into the root (no hardlinks: the root must not share
    # the repository's files), then handed to the user who runs the tests.
    git clone --quiet --no-hardlinks -- "$repo" "$root$home/spanmeter"
    git -C "$root$home/spanmeter" -c advice.detachedHead=false checkout --quiet "$rev"
    say "testing $(git -C "$root$home/spanmeter" log -1 --format='%h %s')"
    [ "$user" = 1 ] && in_root chown -R tester:tester "$home/spanmeter"

    local started=$SECONDS status=0
    in_root "${runas[@]}" /usr/bin/env HOME="$home" USER=$name LOGNAME=$name \
        bash -c 'cd ~/spanmeter && scripts/test.sh' || status=$?
    say "scripts/test.sh took $((SECONDS - started)) s and exited with $status"
    return "$status"
}

if [ "${FRESH_CHECK_INSIDE:-}" = 1 ]; then
    inside
    exit
fi

fonts=0 user=0 repo="" rev=""
while [ $# -gt 0 ]; do
    case $1 in
    --with-fonts-dejavu) fonts=1 ;;
    --user) user=1 ;;
    --repo) repo=${2:?--repo needs a value}; shift ;;
    --rev) rev=${2:?--rev needs a value}; shift ;;
    -*) die "unknown option $1" ;;
    *) break ;;
    esac
    shift
done
[ $# -eq 1 ] || die "usage: $0 [--with-fonts-dejavu] [--user] [--repo URL-or-path] [--rev REV] ROOTDIR"
[ "$(id -u)" -eq 0 ] || die "needs root (debootstrap, chroot, mounts)"
[ ! -L "$1" ] || die "$1 is a link; give the folder itself"
root=$(realpath -m -- "$1")
parent=$(dirname "$root")
[ "$parent" != / ] || die "$root is too close to /"
[ "$root" != "$parent/base-bookworm" ] || die "$root is the pristine base; name another folder"
here=$(cd "$(dirname "$0")/.." && pwd)
repo=${repo:-$here}
[ -n "$rev" ] || rev=$(git -C "$repo" rev-parse HEAD 2>/dev/null) || rev=HEAD
if [ -d "$repo" ]; then repo=$(realpath -- "$repo"); fi

mkdir -p "$parent"
exec 9>"$parent/.fresh-check.lock"
flock -n 9 || die "another fresh-check is running in $parent"
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap
command -v git >/dev/null || die "git is needed to clone the project"

mirror=$(host_mirror bookworm || true) && mirror=${mirror:-http://deb.debian.org/debian}
security=$(host_mirror bookworm-security || true) && security=${security:-http://deb.debian.org/debian-security}

started=$SECONDS
base=$parent/base-bookworm
if [ ! -e "$base/.fresh-check-base" ]; then
    remove_made_folder "$base" .fresh-check-made
    mkdir "$base" && touch "$base/.fresh-check-made"
    say "debootstrap of $base from $mirror"
    # debootstrap mounts /proc and /sys in the target: a namespace of its own
    # takes them away even when it fails halfway.
    unshare --mount --propagation private -- \
        debootstrap --variant=minbase bookworm "$base" "$mirror" >"$base.log" 2>&1 ||
        die "debootstrap failed; see $base.log"
    touch "$base/.fresh-check-base"
fi
[ -z "$(mounts_below "$base")" ] || die "something is mounted below $base"

remove_made_folder "$root" .fresh-check-made
cp -a -- "$base" "$root"
rm -f -- "$root/.fresh-check-base"
touch "$root/.fresh-check-made"
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
EOF
cp -L -- /etc/resolv.conf "$root/etc/resolv.conf"
# The chroot shares this machine's host name; a fresh install lists it here.
printf '127.0.1.1\t%s\n' "$(hostname)" >>"$root/etc/hosts"
# No service that a package installs starts from inside the chroot.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d" && chmod 755 "$root/usr/sbin/policy-rc.d"
say "root $root ready after $((SECONDS - started)) s"

log=$root.log
export FRESH_CHECK_INSIDE=1 root fonts user repo rev
status=0
unshare --mount --propagation private --pid --fork -- "$here/scripts/fresh-check.sh" 9>&- 2>&1 |
    tee "$log" || status=${PIPESTATUS[0]}
[ -z "$(mounts_below "$root")" ] || say "warning: still mounted below $root"

elapsed=$((SECONDS - started))
say "variant: fonts-dejavu-core=$fonts user=$user; wall time $((elapsed / 60)) min $((elapsed % 60)) s"
grep -E 'tests passed|tests failed out of' "$log" || say "no test summary (see $log)"
sed -n '/The following tests FAILED/,$p' "$log" | grep -E '^The following|^[[:space:]]+[0-9]+ - ' || true
home=/root; [ "$user" = 0 ] || home=/home/tester
grep -h '^SKIP' "$root$home/spanmeter/build/Testing/Temporary/LastTest.log" 2>/dev/null || true
exit "$status"
