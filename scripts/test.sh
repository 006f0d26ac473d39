#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and runs
# every test in both; then the thread tests under ThreadSanitizer and every
# fuzz target for a bounded time (SW_FUZZ_SECONDS each, 30 by default).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")
scripts/build.sh build-asan -DSW_SANITIZE=ON
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)")
scripts/build.sh build-tsan -DSW_TSAN=ON
(cd build-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --output-on-failure)
scripts/fuzz.sh "${SW_FUZZ_SECONDS:-30}"
