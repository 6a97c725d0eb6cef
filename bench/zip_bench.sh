#!/usr/bin/env bash
# zip_bench.sh [options of zip_bench]
# The zip writer over two generated corpora under /tmp (made on first use): ~200 MB of
# text, binaries and .gz files, and 20 large files of 10 MB. Against the writer on one
# thread (at least 1.8 times slower on 2 cores), the same read+CRC-32+deflate loop on
# two threads (at most 1.1 times faster than the writer), on one thread (the one-thread
# writer within 1.03 times its wall time), pigz -8 on the large files, Info-ZIP
# `zip -r -8` (must be slower), a read+CRC+write loop for the stored .gz files (at
# least 0.75 of its throughput, at most 10 us per entry), pipe against file output (at
# most 2% slower), and the peak memory of a writing process.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/release}
[[ -x $build/bin/zip_bench ]] || { cmake --preset release >/dev/null && cmake --build --preset release --target zip_bench; }
"$build/bin/zip_bench" --corpus /tmp/kv-zip-corpus --out /tmp/kv-zip-bench --rounds 5 "$@"
