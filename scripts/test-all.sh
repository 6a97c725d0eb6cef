#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test three times: in the normal
# (release) build, in the AddressSanitizer + UndefinedBehaviorSanitizer build and in the
# ThreadSanitizer build. The release build is also installed into a temporary prefix,
# where a program of the suite is built against it and run, and packaged for Debian.
# Last, the fuzz targets run for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

status=0
for preset in release asan tsan; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset tests ==="
  ctest --preset "$preset" || status=1
  if [[ $preset == release ]]; then
    echo "=== installed tree and package ==="
    scripts/check-install.sh build/release || status=1
  fi
done
echo "=== fuzz (bounded) ==="
scripts/fuzz.sh || status=1
exit $status
