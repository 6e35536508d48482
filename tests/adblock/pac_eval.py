# Evaluates a PAC script in a real PAC engine (pacparser) for the ad-blocking tests.
# Usage (Debian's /usr/bin/python3): pac_eval.py OUTFILE PACFILE URL...
# Writes one line "URL<TAB>result" per URL ("ERROR" when evaluation fails) to
# OUTFILE, which appears whole once done.
import os
import sys
import threading
import urllib.parse

# Started from a Wine process: let go of its output pipes at once.
null = os.open(os.devnull, os.O_RDWR)
for fd in (0, 1, 2):
    os.dup2(null, fd)

out_file, pac_file, urls = sys.argv[1], sys.argv[2], sys.argv[3:]
lines = []


def evaluate():
    global lines
    try:
        import pacparser
        pacparser.init()
        pacparser.parse_pac_file(pac_file)
        for url in urls:
            try:
                result = pacparser.find_proxy(url, urllib.parse.urlsplit(url).hostname)
            except Exception:
                result = "ERROR"
            lines.append(url + "\t" + result)
        pacparser.cleanup()
    except Exception:
        lines = [url + "\tERROR" for url in urls]


# The engine's parser recurses once per "||": a script with tens of thousands
# of conditions needs far more stack than a process's main thread gets.
threading.stack_size(512 * 1024 * 1024)
worker = threading.Thread(target=evaluate)
worker.start()
worker.join()
with open(out_file + ".part", "w") as f:
    f.write("\n".join(lines) + "\n")
os.replace(out_file + ".part", out_file)
