#!/usr/bin/env bash
# internet_bench.sh [--rounds N] [--megabytes M] [--files F]
# kvInetSendFile and kvInetNotificationCheck against curl, both talking to the same
# local FTP server (pyftpdlib under /usr/bin/python3, on 127.0.0.1) in the same run,
# rounds interleaved, medians compared (release build):
#   - an upload of M MB (200): kvInetSendFile's throughput over `curl -T`'s; goal >= 0.8;
#   - F small notification files (500) fetched into an empty folder: the check's time
#     over one `curl` run fetching the same files over one connection; goal <= 1.2.
# Both clients ask for TLS and go on in plain text (the server offers none), as the
# library does by default. Everything lives in a temporary folder removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=5 megabytes=200 files=500
while [[ $# -gt 0 ]]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --megabytes) megabytes=$2; shift 2 ;;
    --files) files=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
build=${BUILD_DIR:-build/release}
[[ -x $build/bin/internet_bench && -x $build/bin/kvreg ]] ||
  { cmake --preset release >/dev/null && cmake --build --preset release --target internet_bench kvreg; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kvinet-bench-XXXXXX")
server_pid=
cleanup() {
  [[ -n $server_pid ]] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/server/notes/bench" "$work/root/registry"
/usr/bin/python3 internet/tests/ftp_server.py "$work/server" 0 7200 > "$work/server.out" &
server_pid=$!
for _ in $(seq 100); do grep -q '^PORT' "$work/server.out" 2>/dev/null && break; sleep 0.1; done
port=$(awk '/^PORT/ {print $2}' "$work/server.out")
[[ -n $port ]] || { echo "the FTP server did not start" >&2; exit 1; }

export KESTREL_ROOT=$work/root KESTREL_UI=console
"$build/bin/kvreg" add 'HKCU\Software\Kestrel\kvinternet' /v "FTP Host" /d "127.0.0.1:$port" /f >/dev/null

head -c "$((megabytes * 1024 * 1024))" /dev/urandom > "$work/upload.bin"
for i in $(seq -f '%03g' 1 "$files"); do
  printf '<notification id="%s">%0200d</notification>\n' "$i" 0 > "$work/server/notes/bench/n$i.xml"
done
ftp="ftp://127.0.0.1:$port"
upload_user='ktlftpprogramaccess:qT7mwz46!'
update_user='KestrelUpdateClient:patches56788765'

# Seconds taken by a command (its output discarded).
seconds() {
  local start=$EPOCHREALTIME
  "$@" > /dev/null
  awk -v a="$EPOCHREALTIME" -v b="$start" 'BEGIN {print a - b}'
}
calc() { awk "BEGIN {print $1}"; }
median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

: > "$work/up_kv" ; : > "$work/up_curl" ; : > "$work/dn_kv" ; : > "$work/dn_curl"
for round in $(seq "$rounds"); do
  seconds "$build/bin/internet_bench" upload "$work/upload.bin" '\bench\kv.bin' >> "$work/up_kv"
  seconds curl -sS --ssl -T "$work/upload.bin" --user "$upload_user" "$ftp/bench/curl.bin" >> "$work/up_curl"
  cmp -s "$work/upload.bin" "$work/server/upload/bench/kv.bin" || { echo "kvInetSendFile's copy differs" >&2; exit 1; }

  rm -rf "$work/kv" "$work/curl"; mkdir "$work/kv" "$work/curl"
  seconds "$build/bin/internet_bench" notes '\bench\' "$work/kv/" >> "$work/dn_kv"
  seconds curl -sS --ssl --user "$update_user" "$ftp/bench/n[001-$(printf '%03d' "$files")].xml" \
    -o "$work/curl/n#1.xml" >> "$work/dn_curl"
  [[ $(ls "$work/kv" | wc -l) -eq $files && $(ls "$work/curl" | wc -l) -eq $files ]] ||
    { echo "a client fetched too few files" >&2; exit 1; }
  echo "round $round done" >&2
done

up_kv=$(median < "$work/up_kv"); up_curl=$(median < "$work/up_curl")
dn_kv=$(median < "$work/dn_kv"); dn_curl=$(median < "$work/dn_curl")
printf 'upload of %d MB: kvInetSendFile %.3f s (%.0f MB/s), curl -T %.3f s (%.0f MB/s): throughput ratio %.2f (goal >= 0.8)\n' \
  "$megabytes" "$up_kv" "$(calc "$megabytes / $up_kv")" "$up_curl" "$(calc "$megabytes / $up_curl")" \
  "$(calc "$up_curl / $up_kv")"
printf '%d notification files: kvInetNotificationCheck %.3f s, one curl run %.3f s: time ratio %.2f (goal <= 1.2)\n' \
  "$files" "$dn_kv" "$dn_curl" "$(calc "$dn_kv / $dn_curl")"
