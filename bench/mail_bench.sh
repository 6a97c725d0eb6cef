#!/usr/bin/env bash
# kvSendEMail with a 20 MB attachment against curl sending the same message file, both to
# one aiosmtpd server on 127.0.0.1 that takes each message and forgets it.
#   bench/mail_bench.sh [--rounds N] [--mb SIZE]   (release preset, built with benchmarks)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=7 mb=20
while [[ $# -gt 0 ]]; do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --mb) mb=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
  esac
done
bench=build/release/bin/mail_bench
[[ -x $bench ]] || { echo "build the release preset first: $bench is missing" >&2; exit 1; }

server=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$server"' EXIT
cat > "$server/server.py" <<'PY'
import asyncio, logging, sys
logging.getLogger('mail.log').setLevel(logging.CRITICAL)
from aiosmtpd.smtp import SMTP
class Sink:
    async def handle_DATA(self, server, session, envelope):
        return '250 OK'
loop = asyncio.new_event_loop()
srv = loop.run_until_complete(loop.create_server(lambda: SMTP(Sink(), data_size_limit=1 << 30), '127.0.0.1', 0))
print(srv.sockets[0].getsockname()[1], flush=True)
loop.call_later(3600, loop.stop)
loop.run_forever()
PY
exec 3< <(/usr/bin/python3 "$server/server.py")
pid=$!
read -r port <&3
"$bench" "smtp://127.0.0.1:$port" "$mb" "$rounds"
