#!/usr/bin/env python3
"""Prepares manuals that Debian ships as HTML, in reading order, answering every question as a user
who knows each page's true next page would; then restores them and checks every page comes back.

Usage: real_manuals.py <folder with addNextpics and delNextpics>
The run takes every page of a manual's reading order but the last, which has no next page.
Passes when every page that links its true next page is prepared with it, the questions average at
most 1.1 a page over the manuals present, and every page is restored but for line breaks. Exits 77
(skipped) when none of the manuals is installed. Works on copies in a scratch folder only.
"""
import html
import html.parser
import os
import posixpath
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.parse

# name, generator, folder, first page, Debian package, how a page names its next page
MANUALS = [
    ("gettext", "texi2html", "/usr/share/doc/gettext", "gettext_1.html", "gettext-doc", "chapter"),
    ("Sphinx", "Sphinx", "/usr/share/doc/sphinx-doc/html", "index.html", "sphinx-doc", "link"),
    ("valgrind", "DocBook XSL", "/usr/share/doc/valgrind/html", "index.html", "valgrind", "link"),
    ("libffi", "makeinfo", "/usr/share/doc/libffi8/html", "index.html", "libffi-dev", "node-tree"),
]
QUESTIONS_PER_TEN_PAGES = 11  # 1.1 questions a page on average over the manuals
RUN_TIMEOUT = 120  # seconds for one program over one manual; a run past it counts as a hang

QUESTION = re.compile(r"Is the next: (.*) \?\s*$")
SETTING = re.compile(r"Now setting: (.*?) ?$")
OK_BOX = re.compile(r"Not found: .* file\.\s*$|Next page file not found\.\s*$"
                    r"| : Nextpics already set\.\s*$")
PARAM_NEXT = re.compile(rb'<param name="next" value="([^"]*)">')


class PageLinks(html.parser.HTMLParser):
    """The links of one page: <link> elements before the BODY start tag, and every <a href>."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.in_body = False
        self.head = []     # (rel words, href)
        self.anchors = []  # (href, title)

    def handle_starttag(self, tag, attrs):
        a = {k: v or "" for k, v in attrs}
        if tag == "body":
            self.in_body = True
        elif tag == "link" and not self.in_body and "href" in a:
            self.head.append((a.get("rel", "").lower().split(), a["href"]))
        elif tag == "a" and "href" in a:
            self.anchors.append((a["href"], a.get("title", "")))

    def head_link(self, rel):
        return next((href for words, href in self.head if rel in words), None)


def read_links(path):
    parser = PageLinks()
    with open(path, "rb") as f:
        parser.feed(f.read().decode("utf-8", "surrogateescape"))
    parser.close()
    return parser


def resolve(page, link):
    """The page (relative to the manual's folder) that link, found in page, names as a browser
    reads it: entities and %XX decoded, #fragment and ?query dropped. None for other sites,
    absolute paths and places outside the manual."""
    parts = urllib.parse.urlsplit(html.unescape(link))
    if parts.scheme or parts.netloc:
        return None
    path = urllib.parse.unquote(parts.path, errors="surrogateescape")
    if not path:
        return page
    if path.startswith("/"):
        return None
    target = posixpath.normpath(posixpath.join(posixpath.dirname(page), path))
    return None if target.startswith("../") or target == ".." else target


def reading_order(root, first, rule, links):
    """The pages from first on, each followed by its true next page. links(page) parses a page.

    link: the head's <link rel="next">. chapter: the "Next chapter" navigation link.
    node-tree: a node's head next/up/prev name its sibling and parent, not its successor in
    reading order; that is its first child (the page whose up is it and whose prev is not a
    sibling), else its next, else the next of its nearest ancestor that has one."""
    def target(page, href):
        return resolve(page, href) if href else None

    children = {}
    if rule == "node-tree":
        for name in sorted(os.listdir(root)):
            if name.endswith(".html") and os.path.isfile(os.path.join(root, name)):
                up = target(name, links(name).head_link("up"))
                prev = target(name, links(name).head_link("prev"))
                if up and up != name and (prev is None or prev == up):
                    children.setdefault(up, name)

    def next_of(page):
        if rule == "chapter":
            return target(page, next((h for h, t in links(page).anchors if t == "Next chapter"),
                                     None))
        if rule == "link":
            return target(page, links(page).head_link("next"))
        if page in children:
            return children[page]
        seen = set()
        while page and page not in seen:
            seen.add(page)
            following = target(page, links(page).head_link("next"))
            if following:
                return following
            page = target(page, links(page).head_link("up"))
        return None

    order = [first]
    while True:
        following = next_of(order[-1])
        if not following or following in order or not os.path.isfile(os.path.join(root, following)):
            return order
        order.append(following)


def run_add(program, folder, pages, true_next, offered, env):
    """Runs addNextpics over pages in folder, answering from true_next. Returns (questions asked,
    exit status or None when it hung, last lines of its standard error)."""
    proc = subprocess.Popen([program] + pages, cwd=folder, env=env, stdin=subprocess.PIPE,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    try:
        return answer_questions(proc, pages, true_next, offered)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def answer_questions(proc, pages, true_next, offered):
    questions = 0
    current = 0       # index in pages of the page the questions are about
    finished = False  # current has had its Yes, or a box that ends its questions
    tail = []
    pending = b""
    deadline = time.monotonic() + RUN_TIMEOUT

    def answer(text):
        try:
            proc.stdin.write(text)
            proc.stdin.flush()
        except BrokenPipeError:
            pass

    while True:
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([proc.stderr], [], [], left)[0]:
            return questions, None, tail
        chunk = os.read(proc.stderr.fileno(), 65536)
        if not chunk:
            break
        *lines, pending = (pending + chunk).split(b"\n")
        for raw in lines:
            line = raw.decode("utf-8", "surrogateescape").rstrip("\r")
            tail = (tail + [line])[-6:]
            setting = SETTING.search(line)
            question = QUESTION.search(line)
            if setting:
                # The box names the page by its file name alone: the page is the current one until
                # that has been answered, else the first page after it with that name and links
                # enough to be asked about.
                start = current + 1 if finished else current
                same = [k for k in range(start, len(pages))
                        if posixpath.basename(pages[k]) == setting.group(1)]
                asked = [k for k in same if offered[pages[k]] >= 2]
                current = (asked or same or [current])[0]
                finished = False
            elif question:
                questions += 1
                page = pages[current]
                finished = resolve(page, question.group(1)) == true_next[page]
                answer(b"y\n" if finished else b"n\n")
            elif OK_BOX.search(line):
                finished = True
                answer(b"o\n")
    try:
        proc.stdin.close()
        return questions, proc.wait(timeout=max(1.0, deadline - time.monotonic())), tail
    except (subprocess.TimeoutExpired, BrokenPipeError):
        return questions, None, tail


def page_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def without_line_breaks(path):
    data = page_bytes(path)
    return None if data is None else data.replace(b"\r", b"").replace(b"\n", b"")


def check_manual(manual, bin_dir, scratch, env):
    name, generator, source, first, _, rule = manual
    cache = {}

    def links(page):
        if page not in cache:
            cache[page] = read_links(os.path.join(source, page))
        return cache[page]

    order = reading_order(source, first, rule, links)
    pages = order[:-1]  # the last page has no next page to prepare
    true_next = dict(zip(order, order[1:]))
    hrefs = {p: [h for h, _ in links(p).anchors] + [h for h in [links(p).head_link("next")] if h]
             for p in pages}
    linking = [p for p in pages if any(resolve(p, h) == true_next[p] for h in hrefs[p])]

    folder = os.path.join(scratch, name)
    shutil.copytree(source, folder, symlinks=False, ignore_dangling_symlinks=True)
    questions, add_status, tail = run_add(os.path.join(bin_dir, "addNextpics"), folder, pages,
                                          true_next, {p: len(hrefs[p]) for p in pages}, env)
    prepared, prepared_true = [], []
    for p in pages:
        found = PARAM_NEXT.search(page_bytes(os.path.join(folder, p)) or b"")
        if found:
            prepared.append(p)
            link = found.group(1).split(b";")[0].decode("utf-8", "surrogateescape")
            if resolve(p, link) == true_next[p]:
                prepared_true.append(p)

    try:
        del_status = subprocess.run([os.path.join(bin_dir, "delNextpics")] + pages, cwd=folder,
                                    env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL, timeout=RUN_TIMEOUT).returncode
    except subprocess.TimeoutExpired:
        del_status = None
    restored = [p for p in pages if without_line_breaks(os.path.join(folder, p))
                == without_line_breaks(os.path.join(source, p))]
    shutil.rmtree(folder)
    return dict(name=name, generator=generator, pages=pages, questions=questions, tail=tail,
                add_status=add_status, del_status=del_status, prepared=prepared,
                prepared_true=prepared_true, linking=linking, restored=restored)


def names(pages, limit=8):
    shown = ", ".join(pages[:limit])
    return shown + (f" and {len(pages) - limit} more" if len(pages) > limit else "")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: real_manuals.py <folder with addNextpics and delNextpics>")
    bin_dir = os.path.abspath(sys.argv[1])
    # English boxes, whatever the caller's language.
    env = dict(os.environ, LC_ALL="C", LANG="C")
    env.pop("LANGUAGE", None)

    present = []
    for manual in MANUALS:
        name, generator, source, first, package, _ = manual
        if os.path.isfile(os.path.join(source, first)):
            present.append(manual)
        else:
            print(f"{name} manual ({generator}): {source}/{first} missing "
                  f"(Debian package {package}): skipped")
    if not present:
        print("real manuals: none installed, nothing checked")
        return 77

    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # so the scratch folder goes
    scratch = tempfile.mkdtemp(prefix="nextpics_manuals.")
    try:
        results = [check_manual(m, bin_dir, scratch, env) for m in present]
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    print("manual     generator    pages  questions  a page  "
          "prepared with true next / linking it  restored")
    for r in results:
        n = max(len(r["pages"]), 1)
        prepared = f"{len(r['prepared_true'])} / {len(r['linking'])}"
        print(f"{r['name']:<10} {r['generator']:<12} {n:>5} {r['questions']:>10} "
              f"{r['questions'] / n:>7.2f}  {prepared:^36}  {len(r['restored'])} / {n}")
    for r in results:
        unlinked = [p for p in r["pages"] if p not in r["linking"]]
        if unlinked:
            print(f"{r['name']}: {len(unlinked)} page(s) without a link to their true next page: "
                  f"{names(unlinked)}")

    failures = []
    for r in results:
        if not r["pages"]:
            failures.append(f"{r['name']}: its first page names no next page")
        if r["add_status"] is None:
            failures.append(f"{r['name']}: addNextpics still running after {RUN_TIMEOUT} s, "
                            f"killed; the last lines on its standard error: "
                            f"{' | '.join(r['tail'])}")
        elif r["add_status"]:
            failures.append(f"{r['name']}: addNextpics ended with status {r['add_status']}")
        if r["del_status"] is None:
            failures.append(f"{r['name']}: delNextpics still running after {RUN_TIMEOUT} s, killed")
        elif r["del_status"]:
            failures.append(f"{r['name']}: delNextpics ended with status {r['del_status']}")
        missed = [p for p in r["linking"] if p not in r["prepared_true"]]
        if missed:
            wrong = [p for p in missed if p in r["prepared"]]
            failures.append(f"{r['name']}: {len(r['prepared_true'])} of {len(r['linking'])} pages "
                            f"that link their true next page are prepared with it, "
                            f"{len(missed)} short ({len(wrong)} prepared with another page): "
                            f"{names(missed)}")
        broken = [p for p in r["pages"] if p not in r["restored"]]
        if broken:
            failures.append(f"{r['name']}: {len(broken)} of {len(r['pages'])} pages not restored "
                            f"but for line breaks: {names(broken)}")
    total_pages = sum(len(r["pages"]) for r in results)
    total_questions = sum(r["questions"] for r in results)
    average = total_questions / max(total_pages, 1)
    allowed = total_pages * QUESTIONS_PER_TEN_PAGES // 10
    print(f"all: {total_questions} questions over {total_pages} pages, {average:.2f} a page "
          f"(at most {QUESTIONS_PER_TEN_PAGES / 10} a page allowed: {allowed} questions)")
    if total_questions > allowed:
        failures.append(f"questions: {average:.2f} a page over the manuals, "
                        f"{average - QUESTIONS_PER_TEN_PAGES / 10:.2f} above the "
                        f"{QUESTIONS_PER_TEN_PAGES / 10} allowed "
                        f"({total_questions - allowed} too many)")
    for line in failures:
        print("FAILED: " + line)
    print(f"real manuals: {len(results)} checked, "
          + (f"{len(failures)} failure(s)" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
