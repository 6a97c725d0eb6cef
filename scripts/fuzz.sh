#!/usr/bin/env bash
# fuzz.sh [SECONDS]
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time (default 45 seconds,
# FUZZ_SECONDS or the first argument; at most 60) on its seed corpus. New inputs found
# go to a temporary folder, never into the source tree; a crash leaves its input in
# build/fuzz/ and fails the script.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-${FUZZ_SECONDS:-45}}
(( seconds > 60 )) && seconds=60
out=${FUZZ_BUILD_DIR:-$here/build/fuzz}
mkdir -p "$out"

cxx=${FUZZ_CXX:-clang++}
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -Wall -Wextra -Werror)

echo "fuzz: building markup_fuzz with $cxx"
"$cxx" "${flags[@]}" -I"$here/datamanager/src" \
  "$here/datamanager/fuzz/markup_fuzz.cpp" "$here/datamanager/src/markup.cpp" \
  -o "$out/markup_fuzz"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "fuzz: running markup_fuzz for ${seconds}s"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
(cd "$out" && ./markup_fuzz -max_total_time="$seconds" -max_len=4096 -timeout=10 \
   -rss_limit_mb=2048 -print_final_stats=1 "$work" "$here/datamanager/fuzz/corpus") \
   > "$out/markup_fuzz.log" 2>&1 || status=$?
grep -E '^(Done|stat::number_of_executed_units|SUMMARY|==[0-9]+==ERROR)' "$out/markup_fuzz.log" || true
if [[ $status -ne 0 ]]; then
  tail -n 40 "$out/markup_fuzz.log"
  echo "fuzz: markup_fuzz FAILED (status $status); crashing input in $out"
  exit 1
fi
echo "fuzz: markup_fuzz passed"
