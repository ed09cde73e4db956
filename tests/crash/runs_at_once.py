#!/usr/bin/env python3
"""Two runs over the same pages at once, and an editor saving a page during a run.

  runs_at_once.py BIN [--rounds N] [--pages N] [--kb N] [--work DIR] [--wine] [--editor]

Without --editor: each round starts two runs together over the same pages (two addNextpics, then
an addNextpics and a delNextpics) and checks every page afterwards: as it was, prepared once (byte
for byte as one run alone prepares it) or restored, with no temporary copy left. With --editor:
one page is saved over and over by another program during a run, by rename (as most editors save)
and in place, and the page afterwards must be the editor's last save, or that save prepared; never
spliced or cut. BIN holds addNextpics and delNextpics (with --wine: the .exe files, run under
Wine on a virtual display of its own, with WINEPREFIX or BIN/../wine-prefix). Prints one line per kind of round and "runs at once: N passed, M failed"; exits 1 on a
failure. The pages live in DIR (default: a new folder in /dev/shm or $TMPDIR), removed at the end.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time


def page(i, pages, kb):
    nxt = f"p{i + 1}.html" if i < pages else "p1.html"
    head = (f"<html>\r\n<head><title>Page {i}</title></head>\r\n<body>\r\n<h1>Page {i}</h1>\r\n"
            f"<img src=\"img{i}.gif\"><bgsound src=\"s{i}.mid\">\r\n<p><a href=\"{nxt}\">next</a></p>\r\n")
    line = "<p>A paragraph of the page, long enough to fill the stream buffers.</p>\r\n"
    body = line * max(1, kb * 1024 // len(line))
    return (head + body + "</body>\r\n</html>\r\n").encode()


def start_display():
    """A virtual X display of its own for the Wine programs' windows: (process, display name)."""
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "640x480x24", "-nolisten", "tcp"],
                            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            break
        number += chunk
    os.close(read)
    return xvfb, ":" + number.decode().strip()


class Programs:
    def __init__(self, folder, wine):
        self.wine = wine
        self.display = None
        self.answerer = None
        if wine:
            self.display = start_display()
            os.environ["DISPLAY"] = self.display[1]
            os.environ.setdefault("WINEPREFIX", os.path.join(os.path.dirname(folder), "wine-prefix"))
            os.environ.setdefault("WINEDEBUG", "-all")
            # Every message box (the already-set and already-removed questions of the second run)
            # answered with its first button, as standard input at its end does natively.
            driver = os.path.join(os.path.dirname(folder), "tests", "wine", "box_driver.exe")
            self.answerer = subprocess.Popen(["wine", driver, "answer-all 86400000"], stdout=subprocess.DEVNULL,
                                             stderr=subprocess.DEVNULL)
        suffix = ".exe" if wine else ""
        self.add = os.path.join(folder, "addNextpics" + suffix)
        self.delete = os.path.join(folder, "delNextpics" + suffix)

    def start(self, program, names, cwd):
        command = ["wine", program] if self.wine else [program]
        env = dict(os.environ)
        if self.wine:
            env.setdefault("WINEDEBUG", "-all")
        # Wine's server, which the first program starts, inherits its standard output and keeps it
        # open as long as the answering box driver keeps the server going: no pipe then.
        output = subprocess.DEVNULL if self.wine else subprocess.PIPE
        return subprocess.Popen(command + names, cwd=cwd, stdin=subprocess.DEVNULL, stdout=output,
                                stderr=subprocess.STDOUT, env=env)


def lay_out(site, pages, kb):
    if os.path.exists(site):
        shutil.rmtree(site)
    os.makedirs(site)
    for i in range(1, pages + 1):
        with open(os.path.join(site, f"p{i}.html"), "wb") as f:
            f.write(page(i, pages, kb))


def read_site(site, pages):
    out = {}
    for i in range(1, pages + 1):
        with open(os.path.join(site, f"p{i}.html"), "rb") as f:
            out[i] = f.read()
    return out


def copies_left(site):
    return [n for n in os.listdir(site) if n.lower().endswith(".tmp")]


def run_alone(programs, program, site, names):
    p = programs.start(program, names, site)
    p.communicate()


def references(programs, work, pages, kb):
    site = os.path.join(work, "reference")
    lay_out(site, pages, kb)
    names = [f"p{i}.html" for i in range(1, pages + 1)]
    original = read_site(site, pages)
    run_alone(programs, programs.add, site, names)
    prepared = read_site(site, pages)
    run_alone(programs, programs.delete, site, names)
    restored = read_site(site, pages)
    return original, prepared, restored


def both_at_once(programs, work, pages, kb, first, second, states):
    site = os.path.join(work, "site")
    lay_out(site, pages, kb)
    names = [f"p{i}.html" for i in range(1, pages + 1)]
    a = programs.start(first, names, site)
    b = programs.start(second, names, site)
    logs = [a.communicate()[0], b.communicate()[0]]
    now = read_site(site, pages)
    bad = [i for i in range(1, pages + 1) if now[i] not in states[i]]
    left = copies_left(site)
    if (bad or left) and not getattr(both_at_once, "told", False):
        # The first damaged round in full, to see what went wrong.
        both_at_once.told = True
        print(f"  pages damaged: {bad[:10]}, copies left: {left}")
        for log in logs:
            if log:
                print("  " + log.decode(errors="replace").replace("\n", "\n  "))
    return bad, left


def editor_round(programs, work, pages, kb, in_place, prepared, sed):
    """An editor saves p2.html again and again while a run prepares it (with sed, while sed -i
    edits it instead). Returns "kept" when the page is the editor's last save (prepared or not),
    "lost" when it is an earlier save (prepared or not) and "broken" otherwise."""
    site = os.path.join(work, "site")
    lay_out(site, pages, kb)
    target = os.path.join(site, "p2.html")
    base = page(2, pages, kb)
    saves = []
    stop = threading.Event()

    def edit():
        n = 0
        while not stop.is_set() or n < 1:
            n += 1
            text = base.replace(b"<h1>Page 2</h1>", f"<h1>Page 2, save {n}</h1>".encode())
            saves.append(text)
            if in_place:
                with open(target, "r+b") as f:
                    f.truncate(0)
                    f.write(text)
            else:
                temp = target + ".editor"
                with open(temp, "wb") as f:
                    f.write(text)
                os.replace(temp, target)
            time.sleep(0.0005)

    t = threading.Thread(target=edit)
    t.start()
    if sed:
        subprocess.run(["sed", "-i", "s/<body>/<body onLoad=\"x\">/", target])
    else:
        programs.start(programs.add, ["p2.html"], site).communicate()
    stop.set()
    t.join()
    # The editor's last save stands, prepared or not: it is neither lost nor spliced. Only the
    # heading differs from save to save, so a prepared save is the prepared page with its heading.
    with open(target, "rb") as f:
        now = f.read()
    def forms(save):
        heading = save[save.index(b"<h1>"):save.index(b"</h1>")]
        return (save, prepared.replace(b"<h1>Page 2", heading, 1), save.replace(b"<body>", b"<body onLoad=\"x\">", 1))

    if now in forms(saves[-1]):
        return "kept"
    return "lost" if any(now in forms(save) for save in saves) else "broken"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("bin")
    ap.add_argument("--rounds", type=int, default=100)
    ap.add_argument("--pages", type=int, default=200)
    ap.add_argument("--kb", type=int, default=64)
    ap.add_argument("--work")
    ap.add_argument("--wine", action="store_true")
    ap.add_argument("--editor", action="store_true")
    args = ap.parse_args()
    programs = Programs(os.path.abspath(args.bin), args.wine)
    base = args.work or ("/dev/shm" if os.path.isdir("/dev/shm") else tempfile.gettempdir())
    work = tempfile.mkdtemp(prefix="nextpics_at_once.", dir=base)
    passed = failed = 0
    try:
        if args.editor:
            # Saved by rename, no save may be lost (sed -i, which also writes a new file and
            # renames it, is shown beside); saved in place, none may be broken.
            prepared = references(programs, work, 3, args.kb)[1][2]
            for in_place in (False, True):
                for sed in (False, True):
                    seen = {"kept": 0, "lost": 0, "broken": 0}
                    for _ in range(args.rounds):
                        seen[editor_round(programs, work, 3, args.kb, in_place, prepared, sed)] += 1
                    kind = "in place" if in_place else "by rename"
                    who = "sed -i" if sed else "addNextpics"
                    print(f"an editor saving {kind} during {who}: of {args.rounds} rounds, its last save lost in "
                          f"{seen['lost']}, broken in {seen['broken']}")
                    if sed:
                        continue
                    if seen["broken"] or (not in_place and seen["lost"]):
                        failed += 1
                    else:
                        passed += 1
        else:
            original, prepared, restored = references(programs, work, args.pages, args.kb)
            kinds = [("two addNextpics", programs.add, programs.add, {i: (original[i], prepared[i]) for i in original}),
                     ("addNextpics and delNextpics", programs.add, programs.delete,
                      {i: (original[i], prepared[i], restored[i]) for i in original})]
            for name, first, second, states in kinds:
                bad_rounds = 0
                worst = 0
                for _ in range(args.rounds):
                    bad, left = both_at_once(programs, work, args.pages, args.kb, first, second, states)
                    if bad or left:
                        bad_rounds += 1
                        worst = max(worst, len(bad))
                print(f"{name} at once: {bad_rounds} of {args.rounds} rounds damaged a page or left a copy"
                      f" (at most {worst} of {args.pages} pages)")
                if bad_rounds:
                    failed += 1
                else:
                    passed += 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
        if programs.answerer:
            programs.answerer.kill()
        if programs.display:
            programs.display[0].terminate()
    print(f"runs at once: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
