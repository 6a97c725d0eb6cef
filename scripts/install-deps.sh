#!/usr/bin/env bash
# Installs from Debian's packages what the build, the tests and the demo need. Does
# nothing when everything is present.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config  # the build
  dpkg-dev  # dpkg-shlibdeps, for the Debian package (cpack -G DEB)
  libgtest-dev libgmock-dev  # unit tests
  libbenchmark-dev  # benchmarks under bench/
  zlib1g-dev libminizip-dev  # deflate for zip writing, minizip for reading
  libxml2-dev  # XML document object model
  clang libclang-rt-14-dev  # libFuzzer and sanitizer runtimes for fuzz targets
  unzip libarchive-tools python3 p7zip-full  # independent zip readers used by tests
  zip pigz  # Info-ZIP zip and pigz, the peers of the zip-writing benchmark
  binutils  # nm, for the export-list checks
  binutils-mingw-w64-x86-64  # windres and ld: the Windows modules of the version-resource tests
  hyperfine  # start-up timing of KVDNC in bench/kvdnc_bench.sh
  libgmime-3.0-dev libcurl4-openssl-dev  # mail: messages built and read with GMime, SMTP with libcurl; HTTP and FTP of kvinternet
  python3-aiosmtpd  # the SMTP server the mail tests and benchmark run on 127.0.0.1
  python3-pyftpdlib  # the FTP server kvinternet's tests and benchmark talk to
  curl  # the peer of the mail and internet benchmarks (bench/mail_bench.sh, bench/internet_bench.sh)
  libwxgtk3.2-dev libgtk-3-dev  # the desktop UI backend (wxWidgets on GTK 3)
  xvfb xauth  # the virtual display its tests and benchmark run on (xvfb-run)
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
