"""A web server for the connection-check tests, on 127.0.0.1 and a free port.

usage: http_server.py MODE   (200, 302, 404, slow, endless)
Prints "PORT <n>", then one line per request: the path and the headers the checks
look at. Ends by itself after five minutes at the latest.
"""
import http.server
import os
import sys
import threading
import time

MODE = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        print("GET %s|%s|%s|%s|%s" % (self.path, self.headers.get("Accept"),
                                      self.headers.get("User-Agent"),
                                      self.headers.get("Cache-Control"),
                                      self.headers.get("Pragma")), flush=True)
        if MODE == "slow":
            time.sleep(30)
        if MODE == "endless":
            self.send_response(200)
            self.send_header("Content-Type", "text/html")
            self.end_headers()
            try:
                while True:
                    self.wfile.write(b"x" * 65536)
            except OSError:
                return
        status = {"200": 200, "302": 302, "404": 404}.get(MODE, 200)
        body = b"<html>Kestrel</html>"
        self.send_response(status)
        if status == 302:
            self.send_header("Location", "/moved.htm")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


threading.Timer(300, lambda: os._exit(0)).start()
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
print("PORT %d" % server.server_address[1], flush=True)
server.serve_forever()
