#!/usr/bin/env python3
"""Slow and stuck clients for the ad-block server tests (120 s patience each).

slow_clients.py half PORT COUNT: COUNT connections send half a request each;
    prints "closed N of COUNT, after MIN to MAX s" (from each connect to its close).
slow_clients.py idle PORT COUNT LIMIT: COUNT connections send nothing; once the
    server has closed all but LIMIT, one more asks for an ad.  Prints "closed N
    of COUNT", whether the survivors are among the last LIMIT opened, and "ad
    answered in S s: <status line>".
"""
import selectors
import socket
import sys
import time

PATIENCE = 120


def connect(port):
    sock = socket.create_connection(("127.0.0.1", port), timeout=60)
    sock.setblocking(False)
    return sock


def wait_for_closes(socks, opened, enough):
    """Watches `socks` until `enough` of them were closed by the server; returns
    {index: seconds from its connect to its close}."""
    closed = {}
    with selectors.DefaultSelector() as selector:
        for index, sock in enumerate(socks):
            selector.register(sock, selectors.EVENT_READ, index)
        deadline = time.monotonic() + PATIENCE
        while len(closed) < enough and time.monotonic() < deadline:
            for key, _ in selector.select(timeout=1):
                index = key.data
                try:
                    data = socks[index].recv(4096)
                except (BlockingIOError, InterruptedError):
                    continue
                except OSError:
                    data = b""
                if not data:
                    closed[index] = time.monotonic() - opened[index]
                    selector.unregister(socks[index])
    return closed


def main():
    mode, port, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    socks, opened = [], []
    for _ in range(count):
        socks.append(connect(port))
        opened.append(time.monotonic())
    if mode == "half":
        for sock in socks:
            sock.send(b"GET http://ads.example/slow.gif HTTP/1.1\r\nHost: ads.ex")
        closed = wait_for_closes(socks, opened, count)
        times = sorted(closed.values()) or [0]
        print("closed %d of %d, after %.1f to %.1f s" % (len(closed), count, times[0], times[-1]))
    else:
        limit = int(sys.argv[4])
        closed = wait_for_closes(socks, opened, count - limit)
        survivors = [i for i in range(count) if i not in closed]
        print("closed %d of %d" % (len(closed), count))
        print("survivors among the last %d opened: %s" % (limit, "yes" if all(i >= count - limit for i in survivors) else "no"))
        start = time.monotonic()
        with socket.create_connection(("127.0.0.1", port), timeout=60) as ad:
            ad.sendall(b"GET http://ads.example/banner.gif HTTP/1.1\r\nHost: ads.example\r\n\r\n")
            answer = b""
            while True:
                chunk = ad.recv(4096)
                if not chunk:
                    break
                answer += chunk
        print("ad answered in %.2f s: %s" % (time.monotonic() - start, answer.split(b"\r\n")[0].decode("latin-1")))
    for sock in socks:
        sock.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
