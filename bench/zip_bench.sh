#!/usr/bin/env bash
# zip_bench.sh [options of zip_bench]
# The zip writer over a generated corpus of ~200 MB under /tmp (text, binaries, .gz
# files; made on first use) against a read+CRC-32+deflate loop (limit 1.03 times its
# wall time), Info-ZIP `zip -r -8` (must be slower), a read+CRC+write loop for the
# stored .gz files (at least 0.75 of its throughput, at most 10 us per entry), pipe
# against file output (at most 2% slower), and the peak memory of a writing process.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/release}
[[ -x $build/bin/zip_bench ]] || { cmake --preset release >/dev/null && cmake --build --preset release --target zip_bench; }
"$build/bin/zip_bench" --corpus /tmp/kv-zip-corpus --out /tmp/kv-zip-bench --rounds 5 "$@"
