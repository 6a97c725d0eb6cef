"""A small FTP server that lies: its listing offers names that climb out of the client's
folder, name drives or hold separators, a folder that matches *.xml, and a file whose
transfer it breaks off half-way while reporting success. Only what the notification
check needs (USER, PASS, PWD, CWD, TYPE, EPSV, PASV, LIST, RETR, QUIT); SIZE is refused,
so only the listing tells a file's size.

usage: hostile_ftp.py
Prints "PORT <n>", then "RETR <name>" for every file asked for. Serves one client at a
time; ends by itself after five minutes at the latest.
"""
import os
import socket
import threading

FILES = {
    "../escape.xml": b"climbed out\n",
    "sub/inner.xml": b"in a subfolder\n",
    "C:evil.xml": b"a drive\n",
    "..": b"dots\n",
    "good.xml": b"<note>good</note>\n",
    "cut.xml": b"<note>" + b"c" * 4000 + b"</note>\n",
    "last.xml": b"<note>last</note>\n",
}
LISTING = "".join(
    "-rw-r--r--   1 ftp ftp %8d Dec 08 09:59 %s\r\n" % (len(data), name)
    for name, data in FILES.items())
LISTING += "drwxr-xr-x   2 ftp ftp     4096 Dec 08 09:59 folder.xml\r\n"


def serve(control):
    data_listener = None
    reader = control.makefile("rb")

    def reply(text):
        control.sendall((text + "\r\n").encode())

    reply("220 hostile ready")
    for raw in reader:
        line = raw.decode("utf-8", "replace").rstrip("\r\n")
        verb, _, arg = line.partition(" ")
        verb = verb.upper()
        if verb == "USER":
            reply("331 password please")
        elif verb == "PASS":
            reply("230 logged in")
        elif verb == "PWD":
            reply('257 "/" is the current directory')
        elif verb in ("CWD", "TYPE"):
            reply("250 ok" if verb == "CWD" else "200 ok")
        elif verb in ("EPSV", "PASV"):
            data_listener = socket.socket()
            data_listener.bind(("127.0.0.1", 0))
            data_listener.listen(1)
            port = data_listener.getsockname()[1]
            if verb == "EPSV":
                reply("229 Entering Extended Passive Mode (|||%d|)" % port)
            else:
                reply("227 Entering Passive Mode (127,0,0,1,%d,%d)" % (port // 256, port % 256))
        elif verb in ("LIST", "RETR") and data_listener is not None:
            if verb == "RETR":
                print("RETR %s" % arg, flush=True)
                if arg not in FILES:
                    reply("550 no such file")
                    continue
            reply("150 opening data connection")
            data, _ = data_listener.accept()
            data_listener.close()
            data_listener = None
            if verb == "LIST":
                data.sendall(LISTING.encode())
            elif arg == "cut.xml":
                data.sendall(FILES[arg][:len(FILES[arg]) // 2])
            else:
                data.sendall(FILES[arg])
            data.close()
            reply("226 transfer complete")
        elif verb == "QUIT":
            reply("221 bye")
            break
        else:
            reply("500 not understood")
    control.close()


threading.Timer(300, lambda: os._exit(0)).start()
listener = socket.socket()
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind(("127.0.0.1", 0))
listener.listen(4)
print("PORT %d" % listener.getsockname()[1], flush=True)
while True:
    client, _ = listener.accept()
    try:
        serve(client)
    except OSError:
        client.close()
