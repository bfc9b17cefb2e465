#!/usr/bin/python3
"""A small HTTP server for the feed check's online tests, serving the files of a folder.

  /NAME            the file, honouring "Range: bytes=A-B" with 206 and Content-Range
  /norange/NAME    the file, ignoring Range (always 200 and the whole file)
  /moved/NAME      302 to /NAME
  /slow/NAME       the file after 0.3 s, counting requests served at the same time
  /stats           the largest number of requests served at the same time
Anything else answers 404. A file NAME.type beside NAME gives its Content-Type.
Prints the port it listens on (127.0.0.1), then serves until killed.
"""
import http.server
import os
import sys
import threading
import time

ROOT = sys.argv[1]
TYPES = {".mp3": "audio/mpeg", ".m4a": "audio/x-m4a", ".jpg": "image/jpeg", ".png": "image/png"}
lock = threading.Lock()
active = 0
most = 0


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def send(self, status, headers, body=b""):
        self.send_response(status)
        for k, v in headers.items():
            self.send_header(k, v)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        global active, most
        path = self.path.split("?")[0]
        if path == "/stats":
            return self.send(200, {"Content-Type": "text/plain"}, str(most).encode())
        ranges = True
        if path.startswith("/moved/"):
            return self.send(302, {"Location": path[len("/moved"):]})
        if path.startswith("/norange/"):
            ranges, path = False, path[len("/norange"):]
        slow = path.startswith("/slow/")
        if slow:
            path = path[len("/slow"):]
            with lock:
                active += 1
                most = max(most, active)
            time.sleep(0.3)
            # Counted while the request is held: the client sees the answer only after this.
            with lock:
                active -= 1
        name = os.path.join(ROOT, os.path.basename(path))
        if not os.path.isfile(name):
            return self.send(404, {"Content-Type": "text/plain"}, b"not found")
        data = open(name, "rb").read()
        ctype = TYPES.get(os.path.splitext(name)[1], "application/octet-stream")
        if os.path.isfile(name + ".type"):
            ctype = open(name + ".type").read().strip()
        rng = self.headers.get("Range", "")
        if ranges and rng.startswith("bytes="):
            a, b = rng[6:].split("-")
            a, b = int(a), min(int(b), len(data) - 1)
            part = data[a:b + 1]
            return self.send(206, {"Content-Type": ctype, "Accept-Ranges": "bytes",
                                   "Content-Range": "bytes %d-%d/%d" % (a, b, len(data))}, part)
        return self.send(200, {"Content-Type": ctype}, data)


server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
