#!/usr/bin/env bash
# fuzz.sh [SECONDS]
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each on its seed corpus; SECONDS (default 45,
# FUZZ_SECONDS or the first argument; at most 60) is the running time of all targets
# together, shared out evenly. New inputs found go to a temporary folder, never into the
# source tree; a crash leaves its input in build/fuzz/ and fails the script.
#
# Targets: markup_fuzz (the data manager's markup parser), xml_fuzz (the file
# utilities' XML wrappers over libxml2: LoadXml and the queries made on its result).
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

echo "fuzz: building xml_fuzz with $cxx"
read -r -a xml_flags <<< "$(pkg-config --cflags libxml-2.0)"
read -r -a xml_libs <<< "$(pkg-config --libs libxml-2.0)"
"$cxx" "${flags[@]}" "${xml_flags[@]}" -I"$here/fileutil/include" -I"$here/fileutil/src" \
  -I"$here/platform/base/include" -I"$here/platform/xml/include" \
  "$here/fileutil/fuzz/xml_fuzz.cpp" "$here"/fileutil/src/xml_{document,node,collections,owner}.cpp \
  "$here/platform/xml/src/xml_parse.cpp" "$here/platform/base/src/text.cpp" \
  "${xml_libs[@]}" -o "$out/xml_fuzz"

targets=(markup_fuzz xml_fuzz)
corpora=("$here/datamanager/fuzz/corpus" "$here/fileutil/fuzz/corpus")
each=$(( seconds / ${#targets[@]} ))
(( each < 5 )) && each=5

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  mkdir -p "$work/$target"
  echo "fuzz: running $target for ${each}s"
  status=0
  (cd "$out" && "./$target" -max_total_time="$each" -max_len=4096 -timeout=10 \
     -rss_limit_mb=2048 -print_final_stats=1 "$work/$target" "${corpora[$i]}") \
     > "$out/$target.log" 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|SUMMARY|==[0-9]+==ERROR)' "$out/$target.log" || true
  if [[ $status -ne 0 ]]; then
    tail -n 40 "$out/$target.log"
    echo "fuzz: $target FAILED (status $status); crashing input in $out"
    failed=1
  else
    echo "fuzz: $target passed"
  fi
done
exit $failed
