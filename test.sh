#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test:
# the unit tests, every test again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and each fuzz target for a short while when clang
# is present.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

echo "== formatting"
find src tests bench fuzz \( -name '*.cpp' -o -name '*.h' \) -print0 |
  xargs -0 clang-format --dry-run --Werror

echo "== build and unit tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKDX_TESTS=ON -DKDX_BENCH=ON \
  -DKDX_SANITIZE=OFF -DKDX_FUZZ=OFF >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" -E kdx_crash_tests
# The crash tests spend minutes in strace, one process at a time: they run
# beside the sanitizer build instead of keeping a core to themselves.
ctest --test-dir build --output-on-failure -R kdx_crash_tests >build/crash-tests.log 2>&1 &
crash=$!
trap 'kill "$crash" 2>/dev/null || true' EXIT

echo "== the tests again under AddressSanitizer and UndefinedBehaviorSanitizer"
# Line tables are enough for the sanitizers' reports and build faster than
# full debug information.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKDX_SANITIZE=ON -DKDX_BENCH=OFF \
  -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g1" -DCMAKE_C_FLAGS_DEBUG="-O0 -g1" >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== crash tests (run beside the sanitizer build)"
if ! wait "$crash"; then
  cat build/crash-tests.log
  exit 1
fi
trap - EXIT
grep -E 'tests passed|Passed|Skipped' build/crash-tests.log

if command -v clang++ >/dev/null; then
  echo "== fuzz targets, ${KDX_FUZZ_SECONDS:-10} s each"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKDX_FUZZ=ON -DKDX_TESTS=OFF -DKDX_BENCH=OFF \
    -DKDX_FUZZ_SECONDS="${KDX_FUZZ_SECONDS:-10}" >/dev/null
  cmake --build build-fuzz -j "$jobs" --target kdx_fuzzers
  ctest --test-dir build-fuzz --output-on-failure -j "$jobs"
fi
