#!/usr/bin/env bash
# kvdnc_bench.sh
# KVDNC when nothing is newer (every product start after the first) against /bin/true,
# with hyperfine, on the demo installation (release build). The limit is 5 times
# /bin/true's wall time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/release}
[[ -x $build/bin/KVDNC ]] || { cmake --preset release >/dev/null && cmake --build --preset release; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
export KESTREL_ROOT=$root
"$build/bin/kvdemo-setup" >/dev/null
"$build/bin/KVDNC" >/dev/null   # the first start updates; every later one finds nothing newer
json=$root/kvdnc.json
hyperfine -N --warmup 20 --runs 300 --export-json "$json" --output=null \
  /bin/true "$build/bin/KVDNC"
python3 - "$json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
true, kvdnc = results[0]["median"], results[1]["median"]
print(f"/bin/true median {true*1000:.2f} ms, KVDNC median {kvdnc*1000:.2f} ms, "
      f"ratio {kvdnc/true:.2f} (limit 5.00)")
PY
