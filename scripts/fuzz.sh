#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (AddressSanitizer and
# UndefinedBehaviorSanitizer on every layer) in build-fuzz, then runs each
# target for SECONDS seconds, one after the other:
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default 60 seconds, every target)
#
# Each target starts from its seed corpus (tests/fuzz/corpus/<target>) and
# keeps what it learns in build-fuzz/corpus/<target>, so later runs go on
# from there. Any finding (crash, sanitizer report, leak, timeout, failed
# check) stops the script with a non-zero status; the input is saved as
# build-fuzz/findings/<target>-crash-... . Make it a regression input by
# copying it into tests/fuzz/corpus/<target>/ under a name starting with
# "regress-", and fix the fault.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD  # paths given to the targets are absolute: they work in a folder of their own
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(send package csv address typed_text)

source scripts/compiler-cache.sh
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSW_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target $(printf '%s_fuzzer ' "${targets[@]}")

declare -A max_len=([send]=4096 [package]=65536 [csv]=4096 [address]=256 [typed_text]=256)
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p build-fuzz/findings
status=0
summary=()
for t in "${targets[@]}"; do
  work=$root/build-fuzz/corpus/$t
  mkdir -p "$work"
  dict=()
  [ -f tests/fuzz/dict/$t.dict ] && dict=(-dict="$root/tests/fuzz/dict/$t.dict")
  log=build-fuzz/findings/$t.log
  echo "== $t: ${seconds}s"
  if ! build-fuzz/tests/fuzz/${t}_fuzzer "$work" "$root/tests/fuzz/corpus/$t" "${dict[@]}" \
       -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=20 -rss_limit_mb=2560 \
       -print_final_stats=1 -artifact_prefix="$root/build-fuzz/findings/$t-" >"$log" 2>&1; then
    status=1
    echo "!! $t found a fault; the input is in build-fuzz/findings/ and the report in $log:"
    grep -m1 -A25 -E "ERROR: |FINDING|runtime error|Timeout|out-of-memory" "$log" || tail -30 "$log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(( ${runs:-0} / (seconds > 0 ? seconds : 1) ))
  summary+=("$t: ${runs:-?} executions, about $rate per second")
done
printf '%s\n' "${summary[@]}"
exit $status
