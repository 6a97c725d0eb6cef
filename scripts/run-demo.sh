#!/usr/bin/env bash
# The main command: installs what is missing, builds the release preset, lays the demo
# installation on a fresh root (build/demo-root) and starts KVDNC on it twice. The first
# start finds the install cache newer than the data path: it copies under a progress
# bar, says how many files it updated, and starts the DNC application; the second start
# finds nothing newer and starts the DNC application at once. It then finds the database
# root (kvdbroot) and shows release 2024's path table in the paths dialog (kvpaths),
# drawn by the console backend whatever the desktop: without a terminal (its input is
# /dev/null) the dialog is shown once and closed; run build/release/bin/kvpaths yourself
# to use it.
#
# On a desktop (a display and the desktop backend built) the progress window and the
# message boxes are windows. On a terminal, message boxes wait for Enter; without one
# they take their default answer. KESTREL_UI=console keeps everything on the terminal;
# KESTREL_UI=scripted answers everything silently.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset release
cmake --build --preset release

bin=$PWD/build/release/bin
root=$PWD/build/demo-root
rm -rf "$root"
mkdir -p "$root"
export KESTREL_ROOT=$root
unset KVDNCCORE_RECORD

echo
echo "=== Laying the demo installation on a fresh root ==="
"$bin/kvdemo-setup"
data=$root/drives/c/Users/Public/Documents/Kestrel/KVDNC

echo
echo "=== First start: KVDNC (the install cache holds newer data) ==="
time "$bin/KVDNC"

echo
echo "=== Second start: KVDNC /zC:\\Jobs\\bracket.nc (nothing newer) ==="
time "$bin/KVDNC" '/zC:\Jobs\bracket.nc'

echo
echo "=== What the first start did ==="
echo "data version now:         $(head -n 1 "$data/DataVersion.txt" | tr -d '\r')"
echo "user's kestrel.ini kept:  $(grep -c 'set by the user' "$data/kvcfg/kestrel.ini") line(s) of the user's"
echo "Fanuc post version:       $(grep 'Post Version' "$data/Post/Fanuc 3-Axis Mill/KVPostCompileData.txt" | tr -d '\r')"
echo "user's postdesc.txt kept: $(tr -d '\r' < "$data/Post/Fanuc 3-Axis Mill/postdesc.txt")"
echo "stale kvdesign.mnr:       $([[ -e $data/kvdesign/win/kvdesign.mnr ]] && echo still there || echo deleted when KVDNC ended)"
echo "update log (first lines of $data/DataManagerLog.txt):"
head -n 8 "$data/DataManagerLog.txt" | tr -d '\r' | sed 's/^/    /'
echo "    ... $(grep -c '^Source: ' "$data/DataManagerLog.txt") files logged"

echo
echo "=== The database root: kvdbroot (a release-2007 database is moved into the data path) ==="
"$bin/kvdbroot"
echo "moved: $(find "$data/material" "$data/partlib" "$data/kvnest" -type f | wc -l) files; done marker: $([[ -e $data/DataMigration2008Done.txt ]] && echo present || echo missing)"
echo
echo "=== Again: the recorded database root is taken at once ==="
"$bin/kvdbroot"

echo
echo "=== The paths of release 2024: kvpaths (the paths dialog on the console, no terminal) ==="
KESTREL_UI=console "$bin/kvpaths" < /dev/null
echo "the same table as text (kvpaths --list), its unusable paths:"
"$bin/kvpaths" --list 2>/dev/null | grep -E 'BAD|bad path' | sed 's/^/    /'
