# Stands in for the vendor's web site in the tests: serves one folder on
# 127.0.0.1 until "GET /stop" arrives or the time limit passes.
# Usage: vendor_site.py PORT FOLDER SECONDS
import functools
import http.server
import os
import sys
import threading

port, folder, seconds = int(sys.argv[1]), sys.argv[2], float(sys.argv[3])

# Started from a Wine process: let go of its output pipes at once.
null = os.open(os.devnull, os.O_RDWR)
for fd in (0, 1, 2):
    os.dup2(null, fd)


class Handler(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path == "/stop":
            self.send_response(200)
            self.send_header("Content-Length", "0")
            self.end_headers()
            threading.Thread(target=self.server.shutdown).start()
            return
        super().do_GET()

    def end_headers(self):
        # Every answer is fresh: the tests change the files between downloads.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", port), functools.partial(Handler, directory=folder))
server.daemon_threads = True
timer = threading.Timer(seconds, server.shutdown)
timer.daemon = True
timer.start()
server.serve_forever()
server.server_close()
