#!/usr/bin/env python3
"""Raw HTTP client for the ad-block server tests.

http_client.py PORT PIECE [PIECE ...]
Sends the pieces (Python escapes such as \\r\\n are understood) half a second
apart and fails when anything comes back before the last one.  Writes what the
server answered to stdout.  Exit codes: 0 closed by the server, 3 still open
after 10 s, 4 answer before the last piece, 5 connection reset.  With READ_DELAY set, it
waits that many seconds before it reads (the server's sends fill the socket).
"""
import codecs
import os
import socket
import sys
import time


def main():
    port = int(sys.argv[1])
    pieces = [codecs.escape_decode(p.encode("latin-1"))[0] for p in sys.argv[2:]]
    with socket.create_connection(("127.0.0.1", port), timeout=10) as sock:
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
        answer = b""
        deadline = time.time() + 10
        while time.time() < deadline:
            try:
                chunk = sock.recv(65536)
            except ConnectionResetError:
                sys.stdout.buffer.write(answer)
                return 5
            except socket.timeout:
                break
            if not chunk:
                sys.stdout.buffer.write(answer)
                return 0
            answer += chunk
        sys.stdout.buffer.write(answer)
        return 3


if __name__ == "__main__":
    sys.exit(main())
