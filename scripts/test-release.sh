#!/usr/bin/env bash
# Runs the test command on a fresh machine of a Debian release, from any Debian machine:
#   scripts/test-release.sh trixie|bookworm
# Makes a fresh root of the release with debootstrap from Debian's packages in a new directory
# under /var/tmp (outside the tree, so that nothing that walks the tree, nor a removal of build/,
# reaches into its /dev or /proc), copies the tree's tracked files into it (as they are in the
# working tree, without build/) and runs scripts/test.sh there as root, with /proc, /dev, /dev/pts
# and a /dev/shm of its own mounted. On every way out (the end, a failure half-way, Ctrl-C, a
# termination signal) the processes left in the root are killed, its file systems unmounted and
# the root removed; a root left by a run that was killed outright is removed by the next run (its
# path is kept in build/release-<release>/root). Keeps the run's summary as
# build/test-summary-<release>.txt and the package it made in build/packages/, and exits with
# the test command's exit status (75: some packages could not be installed there, see
# scripts/test.sh).
# The mirror is DEBIAN_MIRROR (default http://deb.debian.org/debian, and -security beside it).
set -euo pipefail
cd "$(dirname "$0")/.."

release="${1:-}"
case "$release" in
    trixie | bookworm) ;;
    *) echo "usage: $0 trixie|bookworm" >&2; exit 1 ;;
esac
[ "$(id -u)" -eq 0 ] || { echo "$0: making a root and mounting into it needs root" >&2; exit 1; }
mirror="${DEBIAN_MIRROR:-http://deb.debian.org/debian}"
work="$PWD/build/release-$release"
root=
tree=/root/secant-root
say() { echo "test-release $release: $*"; }
. scripts/i386-emulation.bash

# The mount points at or under the root, deepest first.
mounts_in_root() {
    awk -v root="$root" '$5 == root || index($5, root "/") == 1 { print $5 }' /proc/self/mountinfo |
        sort -r
}
# Kills every process whose root directory is in the root (an office, a Wine server or an X
# server the tests left), until none is left; gives up after 20 s.
kill_processes_in_root() {
    local attempt process process_root found
    for attempt in $(seq 40); do
        found=no
        for process in /proc/[0-9]*; do
            process_root="$(readlink "$process/root" 2>/dev/null)" || continue
            if [ "$process_root" = "$root" ] || [[ "$process_root" == "$root"/* ]]; then
                found=yes
                kill -KILL "${process#/proc/}" 2>/dev/null || true
            fi
        done
        [ "$found" = yes ] || return 0
        sleep 0.5
    done
    say "processes are still running in $root"
    return 1
}
remove_root() {
    [ -n "$root" ] && [ -e "$root" ] || return 0
    kill_processes_in_root || true
    # The emulator's entry that scripts/test.sh registers in the root belongs to the kernel, not to
    # the root: a run killed outright leaves it behind.
    [ ! -e "$root$i386_binfmt_dir/register" ] || i386_binfmt_dir="$root$i386_binfmt_dir" i386_remove_dead_entries
    local mount_point
    while read -r mount_point; do
        [ -z "$mount_point" ] || umount --lazy "$mount_point"
    done < <(mounts_in_root)
    # Never a removal through a file system still mounted in the root (/dev, /proc).
    if [ -n "$(mounts_in_root)" ]; then
        say "still mounted, the root is left in place: $(mounts_in_root | paste -sd ' ')"
        return 1
    fi
    rm -rf --one-file-system "$root"
    rm -f "$work/root"
}
trap 'remove_root || exit 1' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

start=$SECONDS
if [ -f "$work/root" ]; then
    root="$(cat "$work/root")"
    [[ "$root" =~ ^/var/tmp/secant-root-$release\.[A-Za-z0-9]{6}$ ]] ||
        { say "$work/root names no root of this script: $root"; exit 1; }
    say "removing the root a run left: $root"
    remove_root
fi
scripts/install-deps.sh release-roots
mkdir -p "$work"
root="$(mktemp -d "/var/tmp/secant-root-$release.XXXXXX")"
chmod 755 "$root" # the root directory of a system, which every user of it reads
echo "$root" >"$work/root"

say "making a fresh root with debootstrap from $mirror"
debootstrap --variant=minbase "$release" "$root" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -20 "$work/debootstrap.log"; say "debootstrap failed"; exit 1; }
# The package sources of an installed system of the release: the release, its updates and its
# security updates.
rm -f "$root/etc/apt/sources.list"
cat >"$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: $release $release-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: ${mirror%/debian}/debian-security
Suites: $release-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
cp /etc/resolv.conf /etc/hosts "$root/etc/"
# No service starts inside the root when its package is installed. The root is thrown away, so
# dpkg need not sync every file it writes, nor man-db index the manual pages.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io"
echo 'man-db man-db/auto-update boolean false' | chroot "$root" debconf-set-selections

mkdir -p "$root$tree"
git ls-files -z | tar -c --null -T - | tar -x -C "$root$tree"

mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
made=$SECONDS
say "root made in $((made - start)) s; running scripts/test.sh in it"

# Waited for in the background, so that a signal ends the wait at once (the trap then kills
# what runs in the root); its standard input is /dev/null.
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    ${CI:+CI="$CI"} ${FUZZ_SECONDS:+FUZZ_SECONDS="$FUZZ_SECONDS"} \
    bash -c "cd $tree && scripts/test.sh" &
status=0
wait $! || status=$?
cp "$root$tree/build/test-summary.txt" "build/test-summary-$release.txt" 2>/dev/null || true
cp "$root$tree/build/unavailable-packages.txt" "build/unavailable-packages-$release.txt" 2>/dev/null || true
mkdir -p build/packages
cp "$root$tree"/build/packages/secant-root_*.deb build/packages/ 2>/dev/null || true
say "scripts/test.sh exited with status $status after $((SECONDS - made)) s" \
    "($((SECONDS - start)) s with making the root)"
exit "$status"
