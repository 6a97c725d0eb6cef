#!/usr/bin/env bash
# Makes the resource-only Windows modules (PE32+ DLLs) the version tests read, from the
# .rc files beside this script, with Debian's binutils-mingw-w64-x86-64. The modules are
# kept in the tree; run this again after changing an .rc file.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for rc in *.rc; do
  name=${rc%.rc}
  x86_64-w64-mingw32-windres --preprocessor=cpp --preprocessor-arg=-P "$rc" -O coff -o "$work/$name.o"
  x86_64-w64-mingw32-ld --dll -e 0 -s --no-insert-timestamp -o "$name.dll" "$work/$name.o"
done
ls -l ./*.dll
