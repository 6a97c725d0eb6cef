#!/usr/bin/env bash
# gui_bench.sh: the desktop backend's benchmark (release build) on a virtual display.
# Limits: a dialog opened and closed through the backend at most 1.5 times a plain
# wxWidgets dialog with the same controls; a progress window updated 10,000 times at
# most 5% of the worker's time.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/release}
[[ -x $build/bin/gui_bench ]] || { cmake --preset release >/dev/null && cmake --build --preset release --target gui_bench; }
export GSETTINGS_BACKEND=memory
# A root of its own: the dialogs read the registry, and nothing of the user's is touched.
KESTREL_ROOT=$(mktemp -d)
export KESTREL_ROOT
trap 'rm -rf "$KESTREL_ROOT"' EXIT
if [[ -n ${DISPLAY:-} ]]; then
  "$build/bin/gui_bench" "$@"
else
  xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$build/bin/gui_bench" "$@"
fi
