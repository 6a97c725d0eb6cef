"""The maker's FTP server for the tests: pyftpdlib on 127.0.0.1 and a free port.

usage: ftp_server.py ROOT [CUT [LIFETIME]]
The program account writes under ROOT/upload, the update account reads ROOT/notes.
With CUT (not 0), the server breaks off every upload after CUT bytes (a 426 reply),
keeping what it received. Prints "PORT <n>"; ends by itself after LIFETIME seconds (300)
at the latest.
"""
import logging
import os
import sys
import threading

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.log import config_logging, logger
from pyftpdlib.servers import FTPServer

root = sys.argv[1]
cut = int(sys.argv[2]) if len(sys.argv) > 2 else 0
lifetime = int(sys.argv[3]) if len(sys.argv) > 3 else 300
for folder in ("upload", "notes"):
    os.makedirs(os.path.join(root, folder), exist_ok=True)

authorizer = DummyAuthorizer()
authorizer.add_user("ktlftpprogramaccess", "qT7mwz46!", os.path.join(root, "upload"),
                    perm="elradfmwMT")
authorizer.add_user("KestrelUpdateClient", "patches56788765", os.path.join(root, "notes"),
                    perm="elr")


class CuttingDTPHandler(DTPHandler):
    def handle_read_event(self):
        DTPHandler.handle_read(self)
        if cut and self.receive and not self._closed and self.tot_bytes_received >= cut:
            self._resp = ("426 Connection closed; transfer aborted.", logger.info)
            self.close()


handler = FTPHandler
handler.authorizer = authorizer
handler.auth_failed_timeout = 0
handler.dtp_handler = CuttingDTPHandler

config_logging(level=logging.WARNING)
threading.Timer(lifetime, lambda: os._exit(0)).start()
server = FTPServer(("127.0.0.1", 0), handler)
print("PORT %d" % server.socket.getsockname()[1], flush=True)
server.serve_forever()
