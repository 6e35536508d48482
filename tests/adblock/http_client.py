#!/usr/bin/env python3
"""Raw HTTP client for the ad-block server tests.

http_client.py PORT PIECE [PIECE ...]
Sends the pieces (Python escapes such as \\r\\n are understood) half a second
apart and fails when anything comes back before the last one.  Writes what the
server answered to stdout.  Exit codes: 0 closed by the server, 3 still open
with nothing received for 10 s, 4 answer before the last piece, 5 connection
reset.  An answer that keeps arriving is read however long it takes (the
caller's own time-out stops a hang), so a slow machine is not a failure.  With
READ_DELAY set, it waits that many seconds before it reads (the server's sends
fill the socket); with RCVBUF set, its receive buffer has that size.
"""
import codecs
import os
import socket
import sys
import time


def main():
    port = int(sys.argv[1])
    pieces = [codecs.escape_decode(p.encode("latin-1"))[0] for p in sys.argv[2:]]
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as sock:
        if os.environ.get("RCVBUF"):
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, int(os.environ["RCVBUF"]))
        sock.settimeout(10)
        sock.connect(("127.0.0.1", port))
        for index, piece in enumerate(pieces):
            if index:
                time.sleep(0.5)
                sock.setblocking(False)
                try:
                    early = sock.recv(4096)
                except BlockingIOError:
                    early = None
                sock.setblocking(True)
                sock.settimeout(10)
                if early is not None:
                    sys.stdout.buffer.write(early)
                    return 4
            sock.sendall(piece)
        time.sleep(float(os.environ.get("READ_DELAY", "0")))
        answer = bytearray()
        while True:
            try:
                chunk = sock.recv(65536)
            except ConnectionResetError:
                sys.stdout.buffer.write(answer)
                return 5
            except socket.timeout:
                sys.stdout.buffer.write(answer)
                return 3
            if not chunk:
                sys.stdout.buffer.write(answer)
                return 0
            answer += chunk


if __name__ == "__main__":
    sys.exit(main())
