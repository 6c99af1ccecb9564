# How this machine runs the 32-bit x86 programs that Wine needs for the Windows build's tests
# (sourced by scripts/test.sh and scripts/test-release.sh; bash, run as root for registering).
#
# A kernel without IA-32 emulation refuses every 32-bit x86 program. Then the release's QEMU,
# in user mode, runs them instead: the test command registers it with binfmt_misc under the
# project's own entry for the run alone, and removes the entry (and unmounts binfmt_misc, if it
# mounted it) on every way out. An i386 handler that was registered before is left as it is, and
# used.

i386_binfmt_dir=/proc/sys/fs/binfmt_misc
# One entry a run, named after the shell that registered it, since the kernel's entries are shared
# by every run on the machine, in roots of other releases too.
i386_entry_prefix=secant-root-i386
i386_entry="$i386_entry_prefix-$$"
# 32-bit little-endian ELF, an executable or a shared object, for the Intel 80386: QEMU's own i386
# entry. The kernel decodes the \x escapes itself.
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
# The release's QEMU in user mode (package qemu-user). Registered with the flag F, it is opened
# once, at registration.
i386_emulator=/usr/bin/qemu-i386
i386_mounted_binfmt=no
i386_registered=no

# Whether a 32-bit x86 program starts here (natively or through a registered handler).
i386_programs_run() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# The name of an enabled binfmt_misc entry other than the project's own that takes 32-bit x86
# ELF programs; nothing when there is none or binfmt_misc is not mounted.
i386_other_handler() {
    local entry
    for entry in "$i386_binfmt_dir"/*; do
        [ -f "$entry" ] || continue
        case "${entry##*/}" in register | status | "$i386_entry_prefix"-*) continue ;; esac
        # "magic 7f454c46010101…0200 0300": the ELF class and data bytes, and e_machine at 18.
        awk 'NR == 1 && $1 != "enabled" { exit 1 }
             $1 == "magic" && substr($2, 1, 12) == "7f454c460101" && substr($2, 37, 4) == "0300" { found = 1 }
             END { exit !found }' "$entry" 2>/dev/null && { echo "${entry##*/}"; return 0; }
    done
    return 0
}

# The interpreter an entry names, and its version when it is QEMU ("QEMU 10.0.6").
i386_interpreter() { sed -n 's/^interpreter //p' "$i386_binfmt_dir/$1"; }
i386_qemu_version() {
    "$1" --version 2>/dev/null | sed -n '1s/^qemu-[^ ]* version \([^ ]*\).*/QEMU \1/p'
}

i386_mount_binfmt_misc() {
    [ -e "$i386_binfmt_dir/register" ] && return 0
    mount -t binfmt_misc binfmt_misc "$i386_binfmt_dir" || return 1
    i386_mounted_binfmt=yes
}

# Removes the entries of runs that were killed outright (their shell is gone).
i386_remove_dead_entries() {
    local entry pid
    for entry in "$i386_binfmt_dir/$i386_entry_prefix"-*; do
        pid="${entry##*-}"
        [ -f "$entry" ] && [[ "$pid" =~ ^[0-9]+$ ]] && ! kill -0 "$pid" 2>/dev/null || continue
        echo -1 >"$entry" || echo "could not remove the binfmt_misc entry $entry" >&2
    done
}

# Registers EMULATOR for 32-bit x86 programs under this run's entry.
i386_register() {
    i386_mount_binfmt_misc || return 1
    i386_remove_dead_entries
    # F: the emulator is opened now; P: the program keeps its own argv[0].
    printf ':%s:M::%s:%s:%s:FP' "$i386_entry" "$i386_magic" "$i386_mask" "$1" \
        >"$i386_binfmt_dir/register" || return 1
    i386_registered=yes
}

# Removes what i386_register made; safe to call on any way out, and more than once.
i386_unregister() {
    if [ "$i386_registered" = yes ] && [ -e "$i386_binfmt_dir/$i386_entry" ]; then
        echo -1 >"$i386_binfmt_dir/$i386_entry" || true
    fi
    i386_registered=no
    if [ "$i386_mounted_binfmt" = yes ]; then
        umount "$i386_binfmt_dir" || umount --lazy "$i386_binfmt_dir" || true
    fi
    i386_mounted_binfmt=no
}
