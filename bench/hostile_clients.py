#!/usr/bin/env python3
"""Hostile clients for the ad-block server: malformed and random requests over
many connections at once.

hostile_clients.py PORT COUNT [CONNECTIONS] [SEED]
Sends COUNT requests (default 64 connections open at a time), each on its own
connection, drawn in turn from: random bytes, NUL bytes, truncated lines, 64 KB
headers, thousands of headers, every method, non-ASCII and escaping paths,
CONNECT variants, pipelined requests and plain ad requests.  A request that has
no empty line is followed by a half-close, so the server sees its end.  Prints
what came back (by status line) and exits 1 when the server refused or never
answered a connection it should have.
"""
import errno
import random
import selectors
import socket
import sys
import time

METHODS = [b"GET", b"get", b"HEAD", b"POST", b"PUT", b"DELETE", b"OPTIONS", b"TRACE", b"PATCH", b"CONNECT",
           b"connect", b"PROPFIND", b"MKCOL", b"G\xc3\x89T", b"GET\t", b"\x00GET", b"BREW"]
PATHS = [b"/", b"/QuillrestAdBlocker_(Default-LAN).pac", b"/quillrestadblocker_x.pac", b"/../../windows/win.ini",
         b"/%2e%2e/%2e%2e/win.ini", b"/..%5c..%5cwin.ini", b"/%252e%252e/x", b"\\..\\..\\boot.ini",
         b"/C:/windows/win.ini", b"C:\\windows\\win.ini", b"/QuillrestAdBlocker_x.pac::$DATA",
         b"/NUL.QuillrestAdBlocker.pac", b"/COM1.QuillrestAdBlocker.pac", b"/CON", b"/\xc3\xa9t\xc3\xa9.gif",
         b"/\xe6\x97\xa5\xe6\x9c\xac/\xff\xfe.gif", b"/\xe2\x80\xa8", b"http://ads.example/banner.gif",
         b"http://\xc3\xbc.example/QuillrestAdBlocker.pac", b"/" + b"p" * 3000, b"*", b""]
CONNECTS = [b"CONNECT ads.example:443 HTTP/1.1\r\nHost: ads.example:443\r\n\r\n", b"CONNECT\r\n\r\n",
            b"connect [::1]:443 HTTP/1.0\r\n\r\n", b"CONNECT ads.example:99999999 HTTP/1.1\r\n\r\n",
            b"CONNECT /QuillrestAdBlocker_(Default-LAN).pac HTTP/1.1\r\n\r\n",
            b"CONNECT ads.example:443 HTTP/1.1\r\nContent-Length: 5\r\n\r\nhello",
            b"CoNnEcT \xc3\xa9.example:443\r\n\r\n", b"CONNECT ads.example:443 HTTP/1.1\r\n"]


def request(rng, kind):
    """(bytes to send, whether they end in an empty line)"""
    if kind == 0:    # random bytes
        data = bytes(rng.getrandbits(8) for _ in range(rng.randint(1, 1500)))
        return data + (b"\r\n\r\n" if rng.random() < 0.5 else b"")
    if kind == 1:    # NUL bytes in the request line and headers
        return b"GET /a\x00b.gif HTTP/1.1\r\nHost: \x00ads.example\r\nX-\x00: \x00\x00\r\n\r\n"
    if kind == 2:    # a line cut short
        full = b"GET http://ads.example/x.gif HTTP/1.1\r\nHost: ads.example\r\nAccept: */*\r\n\r\n"
        return full[:rng.randint(0, len(full) - 2)]
    if kind == 3:    # a 64 KB header
        return b"GET / HTTP/1.1\r\nX-Big: " + b"a" * 65536 + b"\r\n\r\n"
    if kind == 4:    # thousands of headers
        return b"GET / HTTP/1.1\r\n" + b"".join(b"X-H%d: v\r\n" % i for i in range(rng.randint(1000, 4000))) + b"\r\n"
    if kind == 5:    # every method
        return rng.choice(METHODS) + b" " + rng.choice(PATHS) + b" HTTP/1.1\r\nHost: a\r\n\r\n"
    if kind == 6:    # non-ASCII and escaping paths
        return b"GET " + rng.choice(PATHS) + rng.choice([b"", b"?q=\xff", b"#\x01"]) + b" HTTP/1.0\n\n"
    if kind == 7:    # CONNECT variants
        return rng.choice(CONNECTS)
    if kind == 8:    # pipelined requests
        return b"".join(rng.choice([b"GET /a.gif HTTP/1.1\r\n\r\n", b"CONNECT a:443 HTTP/1.1\r\n\r\n",
                                    b"POST / HTTP/1.1\r\nContent-Length: 2\r\n\r\nab"]) for _ in range(rng.randint(2, 50)))
    if kind == 9:    # an empty connection
        return b""
    return b"GET http://ads.example/ad%d.gif HTTP/1.1\r\nHost: ads.example\r\n\r\n" % rng.randint(0, 999)


class Client:
    def __init__(self, data, deadline):
        self.data = data
        self.sent = 0
        self.answer = b""
        self.deadline = deadline
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setblocking(False)


def main():
    port = int(sys.argv[1])
    count = int(sys.argv[2])
    width = int(sys.argv[3]) if len(sys.argv) > 3 else 64
    rng = random.Random(int(sys.argv[4]) if len(sys.argv) > 4 else 30)
    selector = selectors.DefaultSelector()
    started = 0
    outcomes = {}
    begin = time.time()

    def finish(client, outcome):
        selector.unregister(client.sock)
        client.sock.close()
        outcomes[outcome] = outcomes.get(outcome, 0) + 1

    while started < count or selector.get_map():
        while started < count and len(selector.get_map()) < width:
            data = request(rng, started % 11)
            client = Client(data, time.time() + 60)
            err = client.sock.connect_ex(("127.0.0.1", port))
            if err not in (0, errno.EINPROGRESS):
                client.sock.close()
                outcomes["refused"] = outcomes.get("refused", 0) + 1
            else:
                selector.register(client.sock, selectors.EVENT_WRITE | selectors.EVENT_READ, client)
            started += 1
        for key, events in selector.select(timeout=1):
            client = key.data
            try:
                if events & selectors.EVENT_WRITE and client.sent < len(client.data):
                    client.sent += client.sock.send(client.data[client.sent:client.sent + 65536])
                if events & selectors.EVENT_WRITE and client.sent >= len(client.data):
                    # Everything sent: the server may wait for more, so say that is all.
                    client.sock.shutdown(socket.SHUT_WR)
                    selector.modify(client.sock, selectors.EVENT_READ, client)
                if events & selectors.EVENT_READ:
                    got = client.sock.recv(65536)
                    if got:
                        client.answer += got
                    else:
                        status = client.answer.split(b"\r\n", 1)[0][9:12].decode("latin-1") if client.answer else ""
                        finish(client, "answered " + status if client.answer else "closed without an answer")
            except (ConnectionResetError, BrokenPipeError):
                finish(client, "reset" + (" after an answer" if client.answer else ""))
            except ConnectionRefusedError:
                finish(client, "refused")
            except BlockingIOError:
                pass
        now = time.time()
        for key in list(selector.get_map().values()):
            if key.data.deadline < now:
                finish(key.data, "no answer in 60 s")
    elapsed = time.time() - begin
    print("%d requests on %d connections at a time in %.1f s (%.0f/s)" % (count, width, elapsed, count / elapsed))
    for outcome in sorted(outcomes):
        print("  %-28s %d" % (outcome, outcomes[outcome]))
    return 1 if outcomes.get("refused") or outcomes.get("no answer in 60 s") else 0


if __name__ == "__main__":
    sys.exit(main())
