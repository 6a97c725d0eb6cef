#!/usr/bin/env bash
# check-exports.sh LIBRARY EXPORTS_MAP
# Compares a shared library's dynamic symbol table with its export list (the linker
# version script): every entry of the list's global part must be defined by the library,
# and every defined dynamic symbol must be covered by an entry. Entries may be glob
# patterns; C++ entries are matched against demangled names.
set -euo pipefail
lib=$1 map=$2

# Entries of the "global:" part, one per line, quotes removed.
mapfile -t entries < <(
  sed -e 's:/\*[^*]*\*/::g' -e 's://.*$::' -e 's:#.*$::' "$map" |
  awk '/global:/{g=1; next} /local:/{g=0} g' |
  tr ';' '\n' | sed -e 's/extern "C++" *{//' -e 's/extern "C" *{//' -e 's/[{}]//g' \
                    -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' -e 's/^"//' -e 's/"$//' |
  grep -v '^$')

mapfile -t symbols < <(nm -D --defined-only -C "$lib" | awk '$2 != "A" {$1=""; $2=""; sub(/^  /, ""); print}' | sort -u)

status=0
for entry in "${entries[@]}"; do
  found=0
  for sym in "${symbols[@]}"; do
    # shellcheck disable=SC2053
    if [[ $sym == $entry ]]; then found=1; break; fi
  done
  if [[ $found == 0 ]]; then echo "listed but not exported: $entry"; status=1; fi
done
for sym in "${symbols[@]}"; do
  covered=0
  for entry in "${entries[@]}"; do
    # shellcheck disable=SC2053
    if [[ $sym == $entry ]]; then covered=1; break; fi
  done
  if [[ $covered == 0 ]]; then echo "exported but not listed: $sym"; status=1; fi
done
[[ $status == 0 ]] && echo "$(basename "$lib"): ${#symbols[@]} symbols match the export list"
exit $status
