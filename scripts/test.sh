#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test: the plain build,
# the calculation core under AddressSanitizer and UndefinedBehaviorSanitizer, a bounded
# libFuzzer run over the number conversions, the 32-bit Windows build with its tests under
# Wine, and a short run of the spreadsheet benchmark.
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
