#!/usr/bin/env python3
"""Writes small albums of plain HTML pages, each in its own folder, for walks through them.

Usage: make_albums.py OUTDIR
Each album is read in one true order. OUTDIR/albums.json tells, for each album folder: "first",
the page a walk starts at; "chain", the pages a reader reaches from it by clicking on, in order;
"last_next", the page the chain's last page leads back to (a loop), or null when it leads nowhere
and is to stay as it is; "outside", folders of the album outside the walk's folder tree, to stay
exactly as they are. Every other page of the album is to stay as it is too. Paths are relative to
the album's folder, with "/" between folders.
"""
import json
import os
import sys

# Japanese page text with Shift_JIS second bytes 0x5C ("\") and 0x41..0x7E (ASCII letters):
# 表, ソ, 能 and 前 end in bytes that a byte-wise reader of a Shift_JIS page takes for markup.
JA_TEXT = "表参道のソフトクリームと能舞台。前の晩は雨でした。"


def page(title, body, charset="utf-8", head=""):
    return (f'<!DOCTYPE html>\n<html>\n<head>\n<meta charset="{charset}">\n<title>{title}</title>\n'
            f'{head}</head>\n<body>\n<h1>{title}</h1>\n{body}\n</body>\n</html>\n')


def run(names, nav, title="Picture", **kw):
    """Pages names[i] with nav(i, previous name or None, next name or None) as their links."""
    return {n: page(f"{title} {i + 1}", f"<p>Caption of {n}.</p>\n"
                    + nav(i, names[i - 1] if i else None,
                          names[i + 1] if i + 1 < len(names) else None), **kw)
            for i, n in enumerate(names)}


def slides():
    # The link back comes first, and no link is marked rel="next".
    names = [f"photo{i}.html" for i in range(1, 9)]

    def nav(i, prev, nxt):
        bar = f'<a href="{prev or "index.html"}">&lt;&lt; Prev</a> | <a href="index.html">Index</a>'
        return bar + (f' | <a href="{nxt}">Next &gt;&gt;</a>' if nxt else "")
    files = run(names, nav)
    files["index.html"] = page("Index", "\n".join(
        f'<a href="{n}">Picture {i + 1}</a><br>' for i, n in enumerate(names)))
    return files, "photo1.html", names, None


def arrows():
    names = [f"p{i}.html" for i in range(1, 7)]

    def nav(i, prev, nxt):
        return " ".join(([f'<a href="{prev}"><img src="prev.png" alt="Back"></a>'] if prev else [])
                        + ([f'<a href="{nxt}"><img src="next.png" alt="Next"></a>'] if nxt else []))
    return run(names, nav), "p1.html", names, None


JA_NAMES = ["kinkaku.html", "ginkaku.html", "kiyomizu.html", "fushimi.html", "arashiyama.html",
            "nijo.html"]


def japanese(charset):
    # No page name carries a number, so only the words 前へ and 次へ tell the way; each page also
    # links its contents page as 目次, which holds 次 but does not begin with it.
    def nav(i, prev, nxt):
        return (f"<p>{JA_TEXT}</p>\n" + (f'<a href="{prev}">前へ</a> ' if prev else "")
                + '<a href="index.html">目次</a>' + (f' <a href="{nxt}">次へ</a>' if nxt else ""))
    files = run(JA_NAMES, nav, title="京都の写真", charset=charset)
    files["index.html"] = page("目次", "\n".join(
        f'<a href="{n}">{n[:-5]}</a><br>' for n in JA_NAMES), charset=charset)
    if charset != "utf-8":
        files = {n: text.encode("cp932") for n, text in files.items()}
    return files, JA_NAMES[0], JA_NAMES, None


def numbered_index():
    # Nothing but the numbers in the pages' names tells the way; each slide's pager links all
    # slides, itself too, and the index's first link is the folder above.
    names = [f"slide_{i:02d}.html" for i in range(1, 13)]
    pager = " ".join(f'<a href="{n}">{i + 1}</a>' for i, n in enumerate(names))
    files = {n: page(f"Harbour {i + 1}", f'<p><img src="big{i + 1}.png" alt="The harbour"></p>\n'
                     f'<a href="index.html">Album</a>\n<p>{pager}</p>')
             for i, n in enumerate(names)}
    files["index.html"] = page("Harbour", '<a href="../">All albums</a>\n' + "\n".join(
        f'<a href="{n}"><img src="thumb{i + 1}.png" alt="Harbour {i + 1}"></a>'
        for i, n in enumerate(names)))
    return files, "index.html", ["index.html"] + names, None


def loop():
    names = [f"round{i}.html" for i in range(1, 7)]

    def nav(i, prev, nxt):
        return f'<a href="{prev or names[-1]}">Prev</a> <a href="{nxt or names[0]}">Next</a>'
    return run(names, nav), names[0], names, names[0]


def dead_end():
    # The last page links only back.
    names = [f"end{i}.html" for i in range(1, 6)]

    def nav(i, prev, nxt):
        return ((f'<a href="{prev}">Previous</a> ' if prev else "")
                + (f'<a href="{nxt}">Next page</a>' if nxt else ""))
    return run(names, nav), names[0], names, None


def offsite():
    # story4's one link that leads on is to another site; story5 follows it in name only.
    names = [f"story{i}.html" for i in range(1, 7)]

    def nav(i, prev, nxt):
        if i == 3:
            nxt = "https://example.org/next.html"
        return (f'<a href="{prev}">Prev</a> ' if prev else "") + (
            f'<a href="{nxt}">Next</a>' if nxt else "")
    return run(names, nav), names[0], names[:4], None


def subfolder():
    names = ["p1.html", "p2.html", "sub/p3.html", "p4.html", "p5.html"]
    href = {("p2.html", "sub/p3.html"): "sub/p3.html", ("sub/p3.html", "p4.html"): "../p4.html",
            ("sub/p3.html", "p2.html"): "../p2.html", ("p4.html", "sub/p3.html"): "sub/p3.html"}

    def nav(i, prev, nxt):
        here = names[i]
        return ((f'<a href="{href.get((here, prev), prev)}">Prev</a> ' if prev else "")
                + ('<a href="sub/">More pictures</a> <a href="../">All albums</a> '
                   if here == "p1.html" else "")
                + (f'<a href="{href.get((here, nxt), nxt)}">Next</a>' if nxt else ""))
    return run(names, nav), names[0], names, None


def leaves():
    # The walk starts in tree/; tree/q3.html's next page lies in other/, outside that tree.
    names = ["tree/q1.html", "tree/q2.html", "tree/q3.html"]

    def nav(i, prev, nxt):
        return ((f'<a href="{prev[5:]}">Prev</a> ' if prev else "")
                + f'<a href="{nxt[5:] if nxt else "../other/p1.html"}">Next</a>')
    files = run(names, nav)
    files["other/p1.html"] = page("Elsewhere", '<a href="../tree/q3.html">Prev</a>')
    return files, names[0], names, None


def two_bars():
    # The same links above and below the picture: two links that lead on, to one page.
    names = ["monday.html", "tuesday.html", "wednesday.html", "thursday.html", "friday.html"]

    def nav(i, prev, nxt):
        bar = ((f'<a href="{prev}">&lt; Prev</a> ' if prev else "")
               + (f'<a href="{nxt}">Next &gt;</a>' if nxt else ""))
        return f'<p>{bar}</p>\n<p><img src="day{i}.png" alt="A day"></p>\n<p>{bar}</p>'
    return run(names, nav), names[0], names, None


# Ways a page says that a link leads on (to {n}) and back (to {p}), one page each.
MIXED_STYLES = [
    ('<a href="{p}">Back</a>', '<a href="{n}" title="Next page"><img src="go.png"></a>'),
    ('<a href="{p}">&lt;</a>', '<a href="{n}"><img src="go.png" title="Forward"></a>'),
    ('<a href="{p}" aria-label="previous">&lt;&lt;</a>',
     '<a href="{n}" aria-label="Next">go on</a>'),
    ('<a href="{p}" class="prev"><img src="l.png"></a>',
     '<a href="{n}" class="next"><img src="r.png"></a>'),
    ('<a href="{p}" id="prevLink"><img src="l.png"></a>',
     '<a href="{n}" id="nextLink"><img src="r.png"></a>'),
    ('<a href="{p}">&laquo;</a>', '<a href="{n}">&raquo;</a>'),
    ('<a href="{p}">&#x2190;</a>', '<a href="{n}">&#x2192;</a>'),
    ('<a href="{p}">&#x524D;&#x3078;</a>', '<a href="{n}">&#x6B21;&#x3078;</a>'),
    ('<a href="{p}">&lsaquo; UP</a>', '<a href="{n}">NEXT</a>'),
    ('<a href="{p}">Contents</a>', '<a href="{n}">&#9654;</a>'),
    ('<a href="{p}">Home</a>', '<a href="{n}">つぎ</a>'),
    ('<a href="{p}">Top</a>', '<a href="{n}" rel="next">{n}</a>'),
]
MIXED_NAMES = ["amber", "birch", "cedar", "dune", "elm", "fern", "grove", "heath", "isle",
               "juniper", "kelp", "larch", "moss", "nettle"]


def mixed():
    names = [f"{w}.html" for w in MIXED_NAMES[:len(MIXED_STYLES) + 2]]
    files = {}
    for i, name in enumerate(names):
        back, on = MIXED_STYLES[min(i, len(MIXED_STYLES) - 1)]
        links = [back.format(p=names[i - 1])] if i else []
        if i + 1 < len(names) - 1:
            links.append(on.format(n=names[i + 1]))
        head = ""
        if i + 1 == len(names) - 1:  # the head alone names the next page
            head = f'<link rel="next" href="{names[i + 1]}">\n'
            links.append(f'<a href="{names[i + 1]}">{MIXED_NAMES[i + 1]}</a>')
        files[name] = page(f"Tree {i + 1}", "\n".join(links), head=head)
    return files, names[0], names, None


ALBUMS = {"slides": slides, "arrows": arrows, "ja_utf8": lambda: japanese("utf-8"),
          "ja_sjis": lambda: japanese("Shift_JIS"), "numbered_index": numbered_index,
          "loop": loop, "dead_end": dead_end, "offsite": offsite, "subfolder": subfolder,
          "leaves": leaves, "two_bars": two_bars, "mixed": mixed}


def make_albums(outdir):
    """Writes every album under outdir and returns the description also saved in albums.json."""
    described = {}
    for name, make in ALBUMS.items():
        files, first, chain, last_next = make()
        for rel, content in files.items():
            path = os.path.join(outdir, name, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content if isinstance(content, bytes) else content.encode("utf-8"))
        described[name] = dict(first=first, chain=chain, last_next=last_next,
                               outside=["other"] if name == "leaves" else [])
    with open(os.path.join(outdir, "albums.json"), "w") as f:
        json.dump(described, f, indent=1)
    return described


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: make_albums.py OUTDIR")
    make_albums(sys.argv[1])
