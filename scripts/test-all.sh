#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in the normal
# (release) build and in the AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

status=0
for preset in release asan; do
  echo "=== $preset build ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "=== $preset tests ==="
  ctest --preset "$preset" || status=1
done
echo "=== fuzz (bounded) ==="
scripts/fuzz.sh || status=1
exit $status
