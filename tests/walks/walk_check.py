#!/usr/bin/env python3
"""Walks addNextpics and then delNextpics through albums and manuals without answering anything,
and checks every page each walk touched, and every page it must not touch.

Usage: walk_check.py BINDIR [--albums-only]
BINDIR holds addNextpics, delNextpics, insert.ini and nextpics.class. The sites: the albums of
make_albums.py, the sample album examples/album, and (unless --albums-only) the manuals of
tests/manuals/real_manuals.py that are installed. For each site, on a copy in a scratch folder:
`addNextpics --walk FIRST </dev/null` must ask nothing, prepare every page of the site's true
chain with its true next page, prepare no page with another, and leave every other page byte for
byte as it was (folders outside the walk's tree too); `delNextpics --walk FIRST </dev/null` must
then bring every page back: byte for byte where nothing was inserted, and but for line breaks
where something was (the empty line set ahead of an insertion stays). A --dry-run walk over one
album must change no file and still name the next pages it chose. Exits 0 when all holds, 1 when
not, 77 when the programs are missing or have no --walk.
"""
import hashlib
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(os.path.dirname(HERE))
sys.dont_write_bytecode = True  # no caches left in the source tree
sys.path[:0] = [HERE, os.path.join(REPO, "tests", "manuals")]
import make_albums  # noqa: E402
import real_manuals as rm  # noqa: E402  its manuals, reading order, link and page readers

RUN_TIMEOUT = 120  # seconds for one walk; a walk past it counts as a hang
WALK_ENDED = re.compile(r"The walk ended.*")
ENV = dict(os.environ, LC_ALL="C", LANG="C")  # English messages, whatever the caller's language
ENV.pop("LANGUAGE", None)
FAULTS_SHOWN = 10  # a site's faults printed
ANY = "any page on the chain"  # what a chain's open end may be prepared with, or with nothing


def listing(root):
    """Every file under root: path relative to it -> (size, SHA-256). Dangling links, which the
    copies leave out, are left out."""
    found = {}
    for folder, _, files in os.walk(root):
        for name in files:
            rel = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")
            if (entry := listing_of_file(root, rel)) is not None:
                found[rel] = entry
    return found


def listing_of_file(folder, page):
    data = rm.page_bytes(os.path.join(folder, page))
    return None if data is None else (len(data), hashlib.sha256(data).hexdigest())


def pages_of(root):
    return sorted(p for p in listing(root) if p.lower().endswith((".html", ".htm")))


def prepared_with(folder, page):
    """The pages the param lines of page name as next, resolved relative to the page."""
    data = rm.page_bytes(os.path.join(folder, page)) or b""
    return [rm.resolve(page, m.group(1).split(b";")[0].decode("utf-8", "surrogateescape"))
            for m in rm.PARAM_NEXT.finditer(data)]


def walk(program, site, work, *options):
    started = time.monotonic()
    try:
        done = subprocess.run([program, *options, "--walk", site["first"]], cwd=work,
                              env=ENV, stdin=subprocess.DEVNULL, capture_output=True,
                              timeout=RUN_TIMEOUT)
        out = done.stdout.decode("utf-8", "replace")
        err = done.stderr.decode("utf-8", "replace")
        status = done.returncode
    except subprocess.TimeoutExpired:
        out, err, status = "", "", None
    questions = sum(1 for line in err.splitlines() if rm.QUESTION.search(line))
    return status, out, questions, time.monotonic() - started


def run_faults(program, status, questions):
    """What is wrong with a walk of program that ended with status (None: killed) and asked
    questions questions with no terminal."""
    faults = []
    if status != 0:
        faults.append(f"{program} --walk ended with status {status}" if status is not None
                      else f"{program} --walk killed after {RUN_TIMEOUT} s")
    if questions:
        faults.append(f"{program} --walk asked {questions} question(s) with no terminal")
    return faults


def check_site(site, bin_dir, scratch):
    """Runs both walks over a copy of site["source"]; returns its table row and its faults."""
    name, source = site["name"], site["source"]
    work = os.path.join(scratch, name)
    shutil.copytree(source, work, symlinks=False, ignore_dangling_symlinks=True)
    before = listing(work)
    expect, faults = site["expect"], []
    add_status, log, questions, add_seconds = walk(os.path.join(bin_dir, "addNextpics"), site,
                                                   work)
    faults += run_faults("addNextpics", add_status, questions)
    ended = WALK_ENDED.search(log)
    if not ended and add_status is not None:
        faults.append("the log does not say why the walk ended")
    right = wrong = missed = 0
    inserted = []
    # Chain order first, so that a site's first fault is where its walk went astray.
    pages = site["chain"] + [p for p in pages_of(work) if p not in site["chain"]]
    for page in pages:
        targets, want = prepared_with(work, page), expect.get(page)
        if targets:
            inserted.append(page)
        if len(targets) > 1:
            faults.append(f"{page} has {len(targets)} next-page params")
        if want == ANY and targets and targets[0] in site["chain"]:
            continue
        if want and want != ANY and targets == [want]:
            right += 1
        elif targets:
            wrong += 1
            faults.append(f"{page} prepared with {targets[0]}, a reader would click "
                          f"{want if want and want != ANY else 'nothing: it is to stay as it is'}")
        elif want and want != ANY:
            missed += 1
            faults.append(f"{page} not prepared, its next page is {want}")
        elif before.get(page) != listing_of_file(work, page):
            faults.append(f"{page} changed although not prepared")
    for folder in site["outside"]:
        if listing(os.path.join(source, folder)) != listing(os.path.join(work, folder)):
            faults.append(f"{folder}/ outside the walk's tree changed")

    del_status, _, del_questions, del_seconds = walk(os.path.join(bin_dir, "delNextpics"), site,
                                                     work)
    faults += run_faults("delNextpics", del_status, del_questions)
    restored = 0
    for page in pages:
        if before[page] == listing_of_file(work, page) or (
                page in inserted and rm.without_line_breaks(os.path.join(work, page))
                == rm.without_line_breaks(os.path.join(source, page))):
            restored += 1
        else:
            faults.append(f"{page} not restored" + (" (it was prepared)" if page in inserted
                                                    else ""))
    shutil.rmtree(work)
    row = dict(site=name, chain=len(site["chain"]), questions=questions, right=right, wrong=wrong,
               missed=missed, restored=f"{restored}/{len(pages)}",
               seconds=add_seconds + del_seconds, ended=ended.group(0) if ended else "")
    if len(faults) > FAULTS_SHOWN:  # past the first few, a fault mostly follows from them
        faults[FAULTS_SHOWN:] = [f"and {len(faults) - FAULTS_SHOWN} more"]
    return row, [f"{name}: {fault}" for fault in faults]


def chain_expectation(source, first, chain, last_next):
    """Every page of source -> its true next page; None for pages to stay as they are."""
    expect = {page: None for page in pages_of(source)}
    expect.update(zip(chain, chain[1:]))
    expect[chain[-1]] = last_next
    return dict(source=source, first=first, chain=chain, expect=expect)


def album_sites(scratch):
    originals = os.path.join(scratch, "originals")
    sites = []
    for name, album in make_albums.make_albums(originals).items():
        site = chain_expectation(os.path.join(originals, name), album["first"], album["chain"],
                                 album["last_next"])
        sites.append(dict(site, name=name, outside=album["outside"]))
    # The sample album: its index's "Start the walk" leads to photo1.html, each photo's "Next >>"
    # to the one after it, and photo5.html links only back to the index.
    sample = os.path.join(REPO, "examples", "album")
    chain = ["index.html"] + [f"photo{i}.html" for i in range(1, 6)]
    sites.append(dict(chain_expectation(sample, "index.html", chain, None), name="sample",
                      outside=[]))
    return sites


def manual_sites():
    """The installed manuals, each with its reading order as its chain.

    reading_order stops before a page it has already, so no page is on a chain twice, and the
    chain starts at the manual's first page. Its last page has no true next page: the walk may
    leave it as it is, or prepare it with a page already on the chain (there the walk ends). A
    node after the last section of another is not always linked from it (makeinfo): the walk
    still finds it from the nodes' heads, so the chain goes on there.
    """
    sites = []
    for name, _, source, first, package, rule in rm.MANUALS:
        if not os.path.isfile(os.path.join(source, first)):
            print(f"{name} manual: {source}/{first} missing (Debian package {package}): skipped")
            continue
        cache = {}

        def links(page, cache=cache, source=source):
            if page not in cache:
                cache[page] = rm.read_links(os.path.join(source, page))
            return cache[page]
        order = rm.reading_order(source, first, rule, links)
        site = chain_expectation(source, first, order, ANY)
        sites.append(dict(site, name=name, outside=[]))
    return sites


def check_dry_run(site, bin_dir, scratch):
    """A --dry-run walk changes nothing and still names each next page it would take."""
    work = os.path.join(scratch, "dry_run")
    shutil.copytree(site["source"], work)
    before = listing(work)
    status, log, questions, _ = walk(os.path.join(bin_dir, "addNextpics"), site, work,
                                     "--dry-run")
    faults = [] if status == 0 else [f"ended with status {status}"]
    after = listing(work)
    changed = sorted(p for p in set(before) | set(after) if before.get(p) != after.get(p))
    if changed:
        faults.append("files changed: " + rm.names(changed))
    unnamed = [n for p, n in site["expect"].items() if n and not re.search(
        re.escape(os.path.basename(p)) + ".*" + re.escape(os.path.basename(n)), log)]
    if unnamed:
        faults.append("the log names no choice of " + ", ".join(unnamed))
    if questions:
        faults.append(f"{questions} question(s) asked")
    if not WALK_ENDED.search(log):
        faults.append("the log does not say why the walk ended")
    shutil.rmtree(work)
    return [f"dry run over {site['name']}: {fault}" for fault in faults]


def main():
    args = sys.argv[1:]
    albums_only = "--albums-only" in args
    args = [a for a in args if a != "--albums-only"]
    if len(args) != 1:
        sys.exit("usage: walk_check.py BINDIR [--albums-only]")
    bin_dir = os.path.abspath(args[0])
    add = os.path.join(bin_dir, "addNextpics")
    if not all(os.access(os.path.join(bin_dir, p), os.X_OK) for p in ("addNextpics",
                                                                        "delNextpics")):
        print(f"walks: no addNextpics and delNextpics in {bin_dir}, nothing checked")
        return 77
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # so the scratch folder goes
    scratch = tempfile.mkdtemp(prefix="nextpics_walks.")
    try:
        # A program without --walk takes it for a page's name and says nothing of a walk.
        with open(os.path.join(scratch, "probe.html"), "w") as f:
            f.write("<html><body></body></html>\n")
        probe = walk(add, dict(first="probe.html"), scratch, "--dry-run")
        if not WALK_ENDED.search(probe[1]):
            print("walks: addNextpics has no --walk, nothing checked")
            return 77
        sites = album_sites(scratch) + ([] if albums_only else manual_sites())
        rows, faults = [], []
        for site in sites:
            row, site_faults = check_site(site, bin_dir, scratch)
            rows.append(row)
            faults += site_faults
        faults += check_dry_run(sites[0], bin_dir, scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)

    print(f"{'site':<15} {'chain':>5} {'questions':>9} {'right':>5} {'wrong':>5} {'missed':>6} "
          f"{'restored':>9} {'seconds':>7}  how the walk ended")
    for r in rows:
        print(f"{r['site']:<15} {r['chain']:>5} {r['questions']:>9} {r['right']:>5} "
              f"{r['wrong']:>5} {r['missed']:>6} {r['restored']:>9} {r['seconds']:>7.2f}  "
              f"{r['ended']}")
    for fault in faults:
        print("FAILED: " + fault)
    print(f"walks: {len(rows)} sites checked, "
          + (f"{len(faults)} failure(s)" if faults else "passed"))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
