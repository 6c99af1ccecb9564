#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test: the plain build,
# the calculation core under AddressSanitizer and UndefinedBehaviorSanitizer, a bounded
# libFuzzer run over the number conversions, the 32-bit Windows build with its tests under
# Wine, a short run of the spreadsheet benchmark, and the packages installed, run and removed
# as a user does it (the Debian package system-wide, so run it as root or with sudo).
#
# Where the kernel cannot run the 32-bit x86 programs that Wine needs, the Windows steps run under
# the release's QEMU in user mode, registered with binfmt_misc for the run alone
# (scripts/i386-emulation.bash); the summary says beside each Windows step how it ran.
#
# Where the package sources cannot supply some packages (a mirror in mid-sync), or neither the
# kernel nor an emulator can run Wine, it runs every other step, names the steps it did not run
# with what they lack (the packages and apt's reason, the kernel, the emulator), at the start and
# in its last lines, and exits with status 75. Any failure of a step that ran exits with status 1.
# The summary of the run is in build/test-summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

mkdir -p build
summary=build/test-summary.txt
unavailable=build/unavailable-packages.txt
. /etc/os-release
echo "release: ${PRETTY_NAME:-unknown}" >"$summary"

. scripts/i386-emulation.bash
finished=no
on_exit() {
    local status=$1
    i386_unregister
    if [ "$finished" = no ]; then
        echo "scripts/test.sh: FAILED (exit status $status); passed before the failure:"
        cat "$summary"
        exit 1
    fi
}
trap 'on_exit $?' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

status=0
scripts/install-deps.sh --record "$unavailable" || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 75 ] || exit 1

# The steps in the order they run, and the package groups of scripts/install-deps.sh each needs.
steps=(sanitize fuzz windows-build windows-i686 linux program differential benchmark
    windows-installer debian-package)
declare -A step_groups=(
    [sanitize]="program tests" [fuzz]="program tests clang" [windows-build]="program tests windows"
    [windows-i686]="program tests windows wine32" [linux]="program tests"
    [program]="program tests desktop-fonts" [differential]="program tests windows wine32"
    [benchmark]="program tests desktop-fonts"
    [windows-installer]="program tests windows wine32" [debian-package]="program tests packaging"
)
# The steps that run the 32-bit Windows build under Wine.
wine_steps=(windows-i686 differential windows-installer)
declare -A lacks=()
for step in "${steps[@]}"; do
    # shellcheck disable=SC2086 # a list of group names
    lacking="$(scripts/install-deps.sh --lacking ${step_groups[$step]} | paste -sd ' ')"
    [ -z "$lacking" ] || lacks[$step]="the packages $lacking"
done
lacks_wine_steps() { for step in "${wine_steps[@]}"; do lacks[$step]="$1"; done; }

# Wine runs the 32-bit Windows build with 32-bit x86 programs of its own (wine32:i386). How they
# run here, said beside each Windows step in the summary: through an i386 handler registered
# before this run, natively, or, where the kernel refuses them (no IA-32 emulation), under the
# release's QEMU registered for this run alone.
windows_runs=
windows_emulated=no
if [ -z "${lacks[windows-i686]:-}" ]; then
    i386_mount_binfmt_misc 2>/dev/null || true
    handler="$(i386_other_handler)"
    if [ -n "$handler" ]; then
        interpreter="$(i386_interpreter "$handler")"
        version="$(i386_qemu_version "$interpreter")"
        windows_runs="under emulation by the i386 handler '$handler' ($interpreter${version:+, $version}) registered before this run"
        windows_emulated=yes
        i386_unregister # only unmounts what this run mounted; the handler stays
    elif i386_programs_run; then
        windows_runs="natively"
        i386_unregister
    elif ! scripts/install-deps.sh --record build/unavailable-emulator.txt i386-emulator; then
        cat build/unavailable-emulator.txt >>"$unavailable"
        lacks_wine_steps "the packages $(scripts/install-deps.sh --lacking i386-emulator | paste -sd ' '), the emulator for a kernel that runs no 32-bit x86 programs itself"
    elif ! i386_register "$i386_emulator" || ! i386_programs_run; then
        lacks_wine_steps "a kernel that runs 32-bit x86 programs: it refuses them, and $i386_emulator registered with binfmt_misc does not start /lib/ld-linux.so.2 either"
    else
        windows_runs="under emulation: $(i386_qemu_version "$i386_emulator") in user mode, registered with binfmt_misc for this run alone, as the kernel runs no 32-bit x86 programs"
        windows_emulated=yes
    fi
fi

not_run_report() {
    echo "================================================================================"
    echo "NOT RUN on this machine, which lacks what they need:"
    for step in "${steps[@]}"; do
        [ -z "${lacks[$step]:-}" ] || echo "  $step: not run, lacks ${lacks[$step]}"
    done
    if [ -s "$unavailable" ]; then
        echo "apt's reasons why the packages are not installed:"
        sed 's/^/  /' "$unavailable"
    fi
    echo "================================================================================"
}
[ "${#lacks[@]}" -eq 0 ] || not_run_report
will_run() { [ -z "${lacks[$1]:-}" ]; }
passed() { echo "$1: $2" | tee -a "$summary"; }

build_and_test() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
    ctest --preset "$1" | tee "build/$1/ctest.log"
    passed "$1" "$(grep -E 'tests passed' "build/$1/ctest.log")${2:-}"
}

if will_run sanitize; then
    build_and_test sanitize
fi

if will_run fuzz; then
    cmake --preset fuzz >/dev/null
    cmake --build --preset fuzz
    corpus=build/fuzz/corpus
    mkdir -p "$corpus"
    build/fuzz/tests/fuzz/number_text_fuzzer -max_total_time="${FUZZ_SECONDS:-30}" -max_len=4096 \
        -timeout=10 -print_final_stats=1 "$corpus" tests/fuzz/seeds 2>build/fuzz/fuzz.log ||
        { tail -50 build/fuzz/fuzz.log; echo "fuzzing found a failure"; exit 1; }
    passed fuzz "$(grep -E '^stat::number_of_executed_units' build/fuzz/fuzz.log | awk '{print $2}') runs in ${FUZZ_SECONDS:-30} s, no failure"
fi

# The Windows build and its installer are made (warnings are errors) also where Wine cannot run
# its tests.
if will_run windows-build; then
    cmake --preset windows-i686 >/dev/null
    cmake --build --preset windows-i686
    cmake --build --preset windows-i686 --target msi
    passed windows-build "every target and the installer built"
fi

# Wine's prefix for the Windows build's tests, made once here within the harness's own time limit
# rather than inside the first test listing. Under emulation it is also the proof that the
# emulator runs Wine at all: under Debian 12's QEMU 7.2 Wine never finishes making it.
if will_run windows-i686 && ! build/windows-i686/wine-run.sh --make-prefix; then
    [ "$windows_emulated" = yes ] || { echo "Wine, run $windows_runs, could not make its prefix"; exit 1; }
    lacks_wine_steps "an emulator that runs Wine: run ${windows_runs#under emulation: }, Wine could not make its prefix (wine-run.sh --make-prefix)"
fi
wine_ran=" (Wine run $windows_runs)"

if will_run windows-i686; then
    build_and_test windows-i686 "$wine_ran"
fi

if will_run linux; then
    build_and_test linux
fi

# The README's first command: the program preset built as scripts/run.sh builds it, with warnings
# made errors for this check alone (the preset itself does not, so that a user's newer compiler
# still builds it), and that program answering once on the test desktop, as on a user's desktop:
# beside a desktop's fonts, and in a home whose own LibreOffice profile holds a registry that a
# crash left damaged, which it neither reads nor adds to.
if will_run program; then
    cmake --preset program -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
    cmake --build --preset program
    home="$PWD/build/program/home-with-a-damaged-profile"
    registry="$home/.config/libreoffice/4/user/extensions/bundled/registry/com.sun.star.comp.deployment.component.PackageRegistryBackend"
    rm -rf "$home"
    mkdir -p "$registry"
    # shellcheck disable=SC2016 # $ORIGIN is LibreOffice's
    printf '[Bootstrap]\nUNO_SERVICES=?$ORIGIN/common_.rdb\n' >"$registry/unorc"
    printf '<?xml version="1.0"?>\n<components xmlns="' >"$registry/common_.rdb"
    listing="$(find "$home" | sort)"
    HOME="$home" SECANT_ROOT_PROGRAM_UNDER_TEST="$PWD/build/program/shell/secant-root" \
        build/linux/tests/e2e/end_to_end_tests --gtest_brief=1 \
        --gtest_filter='Desktops/EndToEnd.TypeClickReadTheAnswerCloseAndNothingRemains/X11Scale1PeriodLocale' |
        tee build/program/end_to_end.log
    # A filter that matched nothing would pass having run nothing.
    grep -qx '\[  PASSED  \] 1 test\.' build/program/end_to_end.log
    [ "$(find "$home" | sort)" = "$listing" ] ||
        { echo "the program wrote in its home:"; diff <(echo "$listing") <(find "$home" | sort); exit 1; }
    passed program "build/program/shell/secant-root built warning-free and answered 0.001 with 1.1189 beside $(fc-list | wc -l) fonts, in a home whose LibreOffice profile is damaged"
fi

# The number conversions give the same doubles and texts in both builds, over a million generated
# texts.
if will_run differential; then
    cmake --build --preset linux --target number_text_differential
    cmake --build --preset windows-i686 --target number_text_differential
    passed differential "$(tests/compare_number_text.sh build/linux build/windows-i686 1000000)$wine_ran"
fi

# A short run of the spreadsheet client's benchmark: a few calculations against LibreOffice, and
# a check that they leave no process or descriptor behind.
if will_run benchmark; then
    cmake --build --preset linux --target spreadsheet_log_benchmark
    build/linux/benchmarks/spreadsheet_log_benchmark --runs 1 --soak 5 | tee build/linux/benchmark.log
    passed benchmark "beside $(fc-list | wc -l) fonts: $(sed '2,$s/^/    /' build/linux/benchmark.log)"
fi

# The packages a user installs: the Windows installer in the build's Wine prefix, the Debian
# package on this machine (purged again on every way out).
if will_run windows-installer; then
    version="$(sed -n 's/^project(secant_root VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
    cmake --build --preset windows-i686 --target msi
    tests/packaging/windows_installer_test.sh "build/packages/secant-root-$version.msi" build/windows-i686
    passed windows-installer "secant-root-$version.msi installed, run and removed under Wine$wine_ran"
fi
if will_run debian-package; then
    cmake --build --preset linux
    # The package's version names the release it is built for (packaging/DebianPackage.cmake):
    # the one just made is the only one there.
    rm -f build/packages/secant-root_*.deb
    cpack --preset linux
    deb=(build/packages/secant-root_*_"$(dpkg --print-architecture)".deb)
    tests/packaging/debian_package_test.sh "${deb[0]}" build/linux/tests/e2e/end_to_end_tests
    passed debian-package "$(basename "${deb[0]}") installed, end-to-end tested and purged"
fi

finished=yes
echo "================================================================================"
cat "$summary"
if [ "${#lacks[@]}" -gt 0 ]; then
    for step in "${steps[@]}"; do
        [ -z "${lacks[$step]:-}" ] || echo "$step: NOT RUN, lacks ${lacks[$step]}" >>"$summary"
    done
    not_run_report
    echo "scripts/test.sh: every step that ran passed, but not every step ran (exit status 75)"
    exit 75
fi
echo "scripts/test.sh: every step passed"
