"""The reader benchmark's page server: serves a folder on the loopback address as a slow line
would, and logs every request.

Each request waits a set delay before its answer starts; all answers share one bandwidth, so two
downloads at once each go at half the speed. Every answer carries the chosen Cache-Control and a
validator (ETag and Last-Modified), every page the chosen extra headers (e.g. X-Frame-Options); a
conditional request for an unchanged file is answered 304 Not Modified after the same delay.
A request for /count/<path> is a page's counting beacon: it is answered with a small picture
that may not be kept, so that each view of the page asks for it again."""

import email.utils
import http.server
import os
import threading
import time
from urllib.parse import unquote, urlsplit

TYPES = {".html": "text/html", ".htm": "text/html", ".gif": "image/gif", ".png": "image/png",
         ".jpg": "image/jpeg", ".mid": "audio/midi", ".wav": "audio/wav", ".js": "text/javascript"}
CHUNK = 8192
BEACON = "/count/"
PIXEL = b"GIF89a\1\0\1\0\x80\0\0\xff\xff\xff\0\0\0,\0\0\0\0\1\0\1\0\0\2\2D\1\0;"


class Line:
    """One shared link: hands out the time at which the next chunk may go."""

    def __init__(self, bytes_per_second):
        self.rate = bytes_per_second
        self.lock = threading.Lock()
        self.free_at = 0.0

    def wait_for(self, n):
        if self.rate <= 0:
            return
        with self.lock:
            start = max(time.monotonic(), self.free_at)
            self.free_at = start + n / self.rate
            done = self.free_at
        delay = done - time.monotonic()
        if delay > 0:
            time.sleep(delay)


class Request:
    """One logged request: its method, when it arrived and when its answer ended, in seconds of
    the monotonic clock, with the answer's status and size."""
    __slots__ = ("method", "path", "arrived", "ended", "status", "size", "purpose")

    def __init__(self, method, path, arrived, purpose):
        self.method = method
        self.path = path
        self.arrived = arrived
        self.ended = None
        self.status = None
        self.size = 0
        self.purpose = purpose


class Server:
    def __init__(self, root, delay=0.1, bits_per_second=4e6, cache_control="max-age=600"):
        self.root = os.path.realpath(root)
        self.delay = delay
        self.line = Line(bits_per_second / 8)
        self.cache_control = cache_control
        self.page_headers = {}
        self.log = []
        self.lock = threading.Lock()
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def do_GET(self):
                server.answer(self, True)

            def do_HEAD(self):
                server.answer(self, False)

        class Quiet(http.server.ThreadingHTTPServer):
            def handle_error(self, request, client_address):
                pass  # an engine ended while a connection was open: nothing to report

        self.httpd = Quiet(("127.0.0.1", 0), Handler)
        self.httpd.daemon_threads = True
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def origin(self):
        return "http://127.0.0.1:%d" % self.port

    def stop(self):
        self.httpd.shutdown()
        self.httpd.server_close()

    def mark(self):
        """The position in the log, to take the requests from here on."""
        with self.lock:
            return len(self.log)

    def requests(self, since=0):
        with self.lock:
            return list(self.log[since:])

    def in_flight(self):
        with self.lock:
            return sum(1 for r in self.log if r.ended is None)

    def last_activity(self):
        with self.lock:
            times = [r.ended or time.monotonic() for r in self.log[-50:]]
        return max(times) if times else 0.0

    def answer(self, handler, with_body):
        path = unquote(urlsplit(handler.path).path)
        purpose = handler.headers.get("Sec-Purpose") or handler.headers.get("X-Moz") or ""
        entry = Request(handler.command, path, time.monotonic(), purpose)
        with self.lock:
            self.log.append(entry)
        try:
            self._answer(handler, path, entry, with_body)
        except (BrokenPipeError, ConnectionResetError):
            entry.status = entry.status or 499
        finally:
            entry.ended = time.monotonic()

    def _answer(self, handler, path, entry, with_body):
        time.sleep(self.delay)
        if path.startswith(BEACON):
            entry.status = 200
            handler.send_response(200)
            handler.send_header("Cache-Control", "no-store")
            handler.send_header("Content-Type", "image/gif")
            handler.send_header("Content-Length", str(len(PIXEL)))
            handler.end_headers()
            if with_body:
                handler.wfile.write(PIXEL)
                entry.size = len(PIXEL)
            return
        file = os.path.realpath(os.path.join(self.root, path.lstrip("/")))
        if not file.startswith(self.root + os.sep) or not os.path.isfile(file):
            entry.status = 404
            handler.send_response(404)
            handler.send_header("Content-Length", "0")
            handler.end_headers()
            return
        stat = os.stat(file)
        tag = '"%x-%x"' % (stat.st_size, int(stat.st_mtime))
        modified = email.utils.formatdate(int(stat.st_mtime), usegmt=True)
        unchanged = handler.headers.get("If-None-Match") == tag or (
            "If-None-Match" not in handler.headers and handler.headers.get("If-Modified-Since") == modified)
        entry.status = 304 if unchanged else 200
        handler.send_response(entry.status)
        handler.send_header("Cache-Control", self.cache_control)
        handler.send_header("ETag", tag)
        handler.send_header("Last-Modified", modified)
        kind = TYPES.get(os.path.splitext(file)[1].lower(), "application/octet-stream")
        if kind == "text/html":
            for name, value in self.page_headers.items():
                handler.send_header(name, value)
        if unchanged:
            handler.end_headers()
            return
        handler.send_header("Content-Type", kind)
        handler.send_header("Content-Length", str(stat.st_size))
        handler.end_headers()
        if not with_body:
            return
        with open(file, "rb") as f:
            while True:
                chunk = f.read(CHUNK)
                if not chunk:
                    break
                self.line.wait_for(len(chunk))
                handler.wfile.write(chunk)
                entry.size += len(chunk)
        handler.wfile.flush()
