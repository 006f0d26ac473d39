#!/usr/bin/env bash
# Installs what is missing, builds the normal and the sanitizer build, and runs
# every test in both.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
(cd build && ctest --output-on-failure -j "$(nproc)")
scripts/build.sh build-asan -DSW_SANITIZE=ON
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)")
