"""The runs of pages that the reader benchmark walks through: the sample album, a generated run
with large pictures and one whose pages count their views, each as the original pages and as
addNextpics prepares them."""

import html.parser
import os
import posixpath
import random
import shutil
import struct
import subprocess
import zlib


def _png(path, width, height, seed):
    """A PNG of random pixels, stored without compression, so its size is about 3 bytes per
    pixel and it still decodes as a picture."""
    rng = random.Random(seed)
    rows = b"".join(b"\0" + rng.randbytes(width * 3) for _ in range(height))

    def chunk(kind, data):
        return struct.pack("!I", len(data)) + kind + data + struct.pack("!I", zlib.crc32(kind + data))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack("!IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(rows, 0)) + chunk(b"IEND", b""))


def make_large_run(folder, pages=5, pictures=4, side=320):
    """pages large1.html ... each showing `pictures` pictures of side x side pixels (300 KB each at
    320) and linking to the next page first."""
    os.makedirs(os.path.join(folder, "pictures"), exist_ok=True)
    for n in range(1, pages + 1):
        lines = ["<html>", "<head><title>Large pictures, page %d</title></head>" % n,
                 '<body bgcolor="white">', "<h1>Page %d</h1>" % n, "<p>"]
        for k in range(1, pictures + 1):
            name = "pictures/p%d-%d.png" % (n, k)
            _png(os.path.join(folder, name), side, side, n * 100 + k)
            lines.append('<img src="%s" width=%d height=%d>' % (name, side, side))
        lines.append("</p>")
        target = "large%d.html" % (n + 1) if n < pages else "large1.html"
        lines += ['<p><a href="%s">Next</a></p>' % target, "</body>", "</html>", ""]
        with open(os.path.join(folder, "large%d.html" % n), "wb") as f:
            f.write("\r\n".join(lines).encode())
    return ["large%d.html" % n for n in range(1, pages + 1)]


def make_beacon_run(folder, pages=4):
    """pages beacon1.html ... that each count a view with a script (a beacon to the page server's
    /count/ address), try to take the tab over from any page that shows them in a frame, play a
    sound of their own as soon as they are shown and show a picture; each links to the next, the
    last one to none (a run's last chapter), so that addNextpics leaves it as it is."""
    with open(os.path.join(folder, "count.js"), "w") as f:
        f.write('(new Image()).src = "/count" + location.pathname;\n')
    samples = b"\x80" * 16000  # two seconds of silence, 8 bits at 8 kHz
    for n in range(1, pages + 1):
        _png(os.path.join(folder, "view%d.png" % n), 64, 64, 900 + n)
        with open(os.path.join(folder, "chime%d.wav" % n), "wb") as f:
            f.write(b"RIFF" + struct.pack("<I", 36 + len(samples)) + b"WAVEfmt "
                    + struct.pack("<IHHIIHH", 16, 1, 1, 8000, 8000, 1, 8) + b"data"
                    + struct.pack("<I", len(samples)) + samples)
        lines = ["<html>", "<head><title>Counted views, page %d</title>" % n,
                 '<script type="text/javascript" src="count.js"></script>',
                 '<script type="text/javascript">if (top != self) top.location = self.location;</script>',
                 "</head>", '<body bgcolor="white">', "<h1>Page %d</h1>" % n,
                 '<audio src="chime%d.wav" autoplay></audio>' % n, '<p><img src="view%d.png" width=64 height=64></p>' % n]
        if n < pages:
            lines.append('<p><a href="beacon%d.html">Next</a></p>' % (n + 1))
        lines += ["</body>", "</html>", ""]
        with open(os.path.join(folder, "beacon%d.html" % n), "wb") as f:
            f.write("\r\n".join(lines).encode())
    return ["beacon%d.html" % n for n in range(1, pages + 1)]


def album_run(folder, album):
    shutil.copytree(album, folder)
    return ["photo%d.html" % n for n in range(1, 6)]


def prepare(folder, programs, ini=None):
    """Runs addNextpics over every page of the folder, taking the first link offered (the "Next"
    link of each page); with ini, beside a copy of that insert.ini instead of the shipped one."""
    kit = os.path.join(folder, "..", os.path.basename(folder) + "-kit")
    os.makedirs(kit, exist_ok=True)
    for name in ("addNextpics", "insert.ini", "nextpics.class"):
        shutil.copy(os.path.join(programs, name), kit)
    if ini:
        shutil.copy(ini, os.path.join(kit, "insert.ini"))
    pages = sorted(p for p in os.listdir(folder) if p.endswith(".html"))
    done = subprocess.run([os.path.join(kit, "addNextpics")] + pages, cwd=folder, stdin=subprocess.DEVNULL,
                          capture_output=True, text=True)
    if done.returncode != 0 or "done." not in done.stdout:
        raise RuntimeError("addNextpics failed in %s:\n%s%s" % (folder, done.stdout, done.stderr))
    return done.stdout


class _Resources(html.parser.HTMLParser):
    KINDS = {("img", "src"): "image", ("bgsound", "src"): "stream", ("embed", "src"): "stream",
             ("audio", "src"): "stream", ("script", "src"): "script"}

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.found = []

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            kind = self.KINDS.get((tag, name))
            if kind and value and (kind, value) not in self.found:
                self.found.append((kind, value))


def resources(site_folder, url_path):
    """The resources of the page at url_path (e.g. /album/original/photo3.html): the page itself,
    its pictures, its streams and its scripts, as (kind, path on the server) pairs."""
    with open(os.path.join(site_folder, url_path.lstrip("/")), "rb") as f:
        parser = _Resources()
        parser.feed(f.read().decode("latin-1"))
    base = posixpath.dirname(url_path)
    found = [("page", url_path)]
    for kind, value in parser.found:
        if "://" not in value:
            found.append((kind, posixpath.normpath(posixpath.join(base, value))))
    return found
