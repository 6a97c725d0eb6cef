#!/usr/bin/env bash
# check-install.sh [BUILD_DIR]
# Installs a built tree into a temporary prefix and builds a program of the suite
# against it twice, through the CMake package and through pkg-config, then runs it; and
# makes the Debian package (cpack -G DEB) and lists what it holds.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build/release}" && pwd)  # absolute: cpack runs from elsewhere
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

echo "check-install: installing $build into a temporary prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
test -L "$prefix/lib/libKVNumber.so" && test -e "$prefix/lib/libKVNumber.so.1"

echo "check-install: the consumer through find_package(KestrelSupport)"
cmake -S "$here/packaging/consumer" -B "$work/consumer" -G Ninja \
      -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER_LAUNCHER= >/dev/null
cmake --build "$work/consumer" >/dev/null
mkdir -p "$work/root"
KESTREL_ROOT=$work/root KESTREL_UI=scripted "$work/consumer/kestrel_consumer"

echo "check-install: the consumer through pkg-config"
export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
c++ -o "$work/consumer-pc" "$here/packaging/consumer/main.cpp" \
    $(pkg-config --cflags --libs KVDataManager KVNumber KVFileUtilities) -Wl,-rpath,"$prefix/lib"
KESTREL_ROOT=$work/root KESTREL_UI=scripted "$work/consumer-pc" >/dev/null

echo "check-install: the Debian packages"
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
for deb in "$work"/*.deb; do
  dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends):'
  dpkg-deb --contents "$deb" | grep -cE 'usr/(lib|bin|include)/' | sed 's/^/   files: /'
done
# The libraries and programs must not need any GUI package.
if dpkg-deb --info "$work"/kestrel-support_*.deb | grep -E '^ Depends:.*(wx|gtk)'; then
  echo "check-install: the core package depends on GUI packages"
  exit 1
fi
echo "check-install: passed"
