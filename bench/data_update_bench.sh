#!/usr/bin/env bash
# data_update_bench.sh [options of data_update_bench]
# The data update of ~2,000 files / 100 MB into an empty data path against cp -r of the
# same tree (release build), on the disk's temporary folder and, where there is one, on
# a memory file system (no disk in the way: what is left is the work per file). The
# limit is 1.3 times cp -r's wall time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/release}
[[ -x $build/bin/data_update_bench ]] || { cmake --preset release >/dev/null && cmake --build --preset release --target data_update_bench; }
echo "--- on ${TMPDIR:-/tmp}"
"$build/bin/data_update_bench" --files 2000 --megabytes 100 --rounds 7 "$@"
if [[ -d /dev/shm && -w /dev/shm ]]; then
  echo "--- on /dev/shm"
  "$build/bin/data_update_bench" --files 2000 --megabytes 100 --rounds 7 --dir /dev/shm "$@"
fi
