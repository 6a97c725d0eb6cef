#!/usr/bin/env bash
# check-boundaries.sh [SOURCE_DIR]
# Only the platform touches the disk and the host: the libraries, programs and outside
# stand-ins call the platform (or a dependency such as zlib or libcurl). This check fails
# when a source outside platform/ (tests, benchmarks and fuzz targets aside)
#   - includes <filesystem>, <fstream>, or a POSIX or Linux header, or
#   - calls a C stdio file function (fopen, fread, remove, rename, ...), or
#   - includes one of the platform's internal headers (kvhost/...).
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

mapfile -t files < <(
  find number fileutil datamanager internet launcher tools demo outside \
       -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) \
       -not -path '*/tests/*' -not -path '*/fuzz/*' -not -name '*_test.cpp' | sort)

headers='filesystem|fstream|unistd\.h|fcntl\.h|dirent\.h|sys/[a-z_/]+\.h|pthread\.h|signal\.h|spawn\.h|dlfcn\.h|poll\.h|termios\.h|pwd\.h|grp\.h|netdb\.h|netinet/[a-z_]+\.h|arpa/[a-z_]+\.h|linux/[a-z_]+\.h|stdio\.h'
calls='\b(fopen|freopen|fdopen|fread|fwrite|fseek|fseeko|ftell|ftello|tmpfile|tmpnam|popen|std::remove|std::rename|::remove|::rename)[[:space:]]*\('

status=0
for file in "${files[@]}"; do
  while IFS= read -r hit; do
    echo "$file:$hit: file I/O or a host header outside the platform"
    status=1
  done < <(grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($headers)>" "$file" | cut -d: -f1)
  while IFS= read -r hit; do
    echo "$file:$hit: a C file function outside the platform"
    status=1
  done < <(sed 's://.*$::' "$file" | grep -nE "$calls" | cut -d: -f1)
  while IFS= read -r hit; do
    echo "$file:$hit: the platform's internal headers are for the platform"
    status=1
  done < <(grep -nE '#[[:space:]]*include[[:space:]]*"kvhost/' "$file" | cut -d: -f1)
done
[[ $status == 0 ]] && echo "check-boundaries: ${#files[@]} sources, no file I/O outside the platform"
exit $status
