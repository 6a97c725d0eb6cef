#!/usr/bin/env bash
# fuzz.sh [SECONDS]
# Builds the libFuzzer targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs each for a bounded time on its seed corpus. The
# time (FUZZ_SECONDS or the first argument, default 90, at most 120) is shared evenly by
# the targets, so the whole run stays near two minutes. New inputs found go to a
# temporary folder, never into the source tree; a crash leaves its input in build/fuzz/
# and fails the script.
#
# Targets: the markup parser (datamanager), the module version reader (platform) and the
# XML wrappers over libxml2 (fileutil: LoadXml and the queries made on its result).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
total=${1:-${FUZZ_SECONDS:-90}}
(( total > 120 )) && total=120
out=${FUZZ_BUILD_DIR:-$here/build/fuzz}
mkdir -p "$out"

cxx=${FUZZ_CXX:-clang++}
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -Wall -Wextra -Werror)

# name | sources | include folders | seed corpus | largest input | pkg-config packages
targets=(
  "markup_fuzz|datamanager/fuzz/markup_fuzz.cpp datamanager/src/markup.cpp|datamanager/src|datamanager/fuzz/corpus|4096|"
  "version_fuzz|platform/version/fuzz/version_fuzz.cpp platform/version/src/pe_resources.cpp platform/version/src/version_block.cpp platform/base/src/text.cpp|platform/version/src platform/version/include platform/base/include|platform/version/tests/data|8192|"
  "xml_fuzz|fileutil/fuzz/xml_fuzz.cpp fileutil/src/xml_document.cpp fileutil/src/xml_node.cpp fileutil/src/xml_collections.cpp fileutil/src/xml_owner.cpp platform/xml/src/xml_parse.cpp platform/base/src/text.cpp|fileutil/include fileutil/src platform/base/include platform/xml/include|fileutil/fuzz/corpus|4096|libxml-2.0"
)
seconds=$(( total / ${#targets[@]} ))
(( seconds < 1 )) && seconds=1

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=0
for target in "${targets[@]}"; do
  IFS='|' read -r name sources includes corpus maxlen packages <<< "$target"
  src=() inc=() cflags=() libs=()
  for s in $sources; do src+=("$here/$s"); done
  for i in $includes; do inc+=("-I$here/$i"); done
  if [[ -n $packages ]]; then
    read -r -a cflags <<< "$(pkg-config --cflags $packages)"
    read -r -a libs <<< "$(pkg-config --libs $packages)"
  fi
  echo "fuzz: building $name with $cxx"
  "$cxx" "${flags[@]}" "${inc[@]}" "${cflags[@]}" "${src[@]}" "${libs[@]}" -o "$out/$name"

  work=$(mktemp -d)
  echo "fuzz: running $name for ${seconds}s"
  status=0
  (cd "$out" && "./$name" -max_total_time="$seconds" -max_len="$maxlen" -timeout=10 \
     -rss_limit_mb=2048 -print_final_stats=1 "$work" "$here/$corpus") \
     > "$out/$name.log" 2>&1 || status=$?
  rm -rf "$work"
  grep -E '^(Done|stat::number_of_executed_units|SUMMARY|==[0-9]+==ERROR)' "$out/$name.log" || true
  if [[ $status -ne 0 ]]; then
    tail -n 40 "$out/$name.log"
    echo "fuzz: $name FAILED (status $status); crashing input in $out"
    failed=1
  else
    echo "fuzz: $name passed"
  fi
done
exit $failed
