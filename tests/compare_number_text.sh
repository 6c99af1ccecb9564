#!/bin/sh
# Runs the number conversions over the same generated texts in the Linux build and in the 32-bit
# Windows build (under Wine) and fails unless both give the same doubles and texts for every one.
#
#   tests/compare_number_text.sh LINUX_BUILD_DIR WINDOWS_BUILD_DIR [COUNT]
set -eu

linux_build=$1
windows_build=$2
count=${3:-1000000}
out=$windows_build/number_text_differential
mkdir -p "$out"

"$linux_build/tests/number_text_differential" "$count" >"$out/linux.txt"
status=0
"$windows_build/wine-run.sh" "$windows_build/tests/number_text_differential.exe" "$count" \
    >"$out/windows.txt" || status=$?
"$windows_build/wine-run.sh" --end-session

if cmp -s "$out/linux.txt" "$out/windows.txt"; then
    echo "number conversions: $count texts, 0 differences between the Linux and the Windows build"
else
    differences=$(diff "$out/linux.txt" "$out/windows.txt" | grep -c '^<' || true)
    echo "number conversions: $differences of $count texts differ between the Linux and the" \
        "Windows build, for example:"
    diff "$out/linux.txt" "$out/windows.txt" | head -6
    exit 1
fi
exit "$status"
