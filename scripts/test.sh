#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test: the plain build,
# the calculation core under AddressSanitizer and UndefinedBehaviorSanitizer, a bounded
# libFuzzer run over the number conversions, the 32-bit Windows build with its tests under
# Wine, a short run of the spreadsheet benchmark, and the packages installed, run and removed
# as a user does it (the Debian package system-wide, so run it as root or with sudo).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_and_test() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
    ctest --preset "$1"
}

build_and_test sanitize

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
corpus=build/fuzz/corpus
mkdir -p "$corpus"
build/fuzz/tests/fuzz/number_text_fuzzer -max_total_time="${FUZZ_SECONDS:-30}" -max_len=4096 \
    -timeout=10 -print_final_stats=1 "$corpus" tests/fuzz/seeds 2>build/fuzz/fuzz.log ||
    { tail -50 build/fuzz/fuzz.log; echo "fuzzing found a failure"; exit 1; }
grep -E '^stat::number_of_executed_units' build/fuzz/fuzz.log

build_and_test windows-i686

build_and_test linux

# The number conversions give the same doubles and texts in both builds, over a million generated
# texts.
cmake --build --preset linux --target number_text_differential
cmake --build --preset windows-i686 --target number_text_differential
tests/compare_number_text.sh build/linux build/windows-i686 1000000

# A short run of the spreadsheet client's benchmark: a few calculations against LibreOffice, and
# a check that they leave no process or descriptor behind.
build/linux/benchmarks/spreadsheet_log_benchmark --runs 1 --soak 5

# The packages a user installs: the Windows installer in the build's Wine prefix, the Debian
# package on this machine (purged again on every way out).
version="$(sed -n 's/^project(secant_root VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
cmake --build --preset windows-i686 --target msi
tests/packaging/windows_installer_test.sh "build/packages/secant-root-$version.msi" build/windows-i686
cpack --preset linux
tests/packaging/debian_package_test.sh \
    "build/packages/secant-root_${version}_$(dpkg --print-architecture).deb" \
    build/linux/tests/e2e/end_to_end_tests
