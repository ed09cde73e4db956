"""One reader's walk through a run of pages in one engine: load the first page, wait, click the
link to the next page, wait for that page's load event, and so on; and what the page server saw
of each next page's resources meanwhile."""

import json
import time

from . import engines, pageserver

LOADED = """(function () {
  var n = performance.getEntriesByType && performance.getEntriesByType("navigation")[0];
  if (document.readyState != "complete" || !n || !(n.loadEventEnd > 0)) return null;
  return [location.href, performance.timeOrigin + Math.max(n.loadEventEnd, n.activationStart || 0)];
})()"""

# The click comes right after the answer, so that the answer is seldom lost with the page. The
# time of the click is taken just before, on the engine's clock.
CLICK = """(function () {
  var links = document.getElementsByTagName("a"), i;
  for (i = 0; i != links.length; i++)
    if (links[i].getAttribute("href") == %s) {
      var link = links[i];
      setTimeout(function () { link.click(); }, 0);
      return true;
    }
  return null;
})()"""


def wait_loaded(engine, url, seconds=60):
    """Waits until the tab shows url with its load event done; returns the time (ms since the epoch,
    the engine's clock) at which the page was loaded and shown."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        try:
            state = engine.evaluate(LOADED)
        except engines.NotReady:
            state = None
        if state and state[0] == url:
            return state[1]
        time.sleep(0.025)
    raise RuntimeError("%s: not loaded within %d s" % (url, seconds))


def settle(server, wait):
    """Waits `wait` seconds, then until the server has had nothing to do for 0.3 s (at most 20 s
    more), so that what the page fetches after its load event is done before the click."""
    time.sleep(wait)
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline:
        if server.in_flight() == 0 and time.monotonic() - server.last_activity() > 0.3:
            return
        time.sleep(0.05)


class Click:
    """One click: the next page, its load time after the click, and for each of its resources
    the requests before the click and those between the click and the page's load event; beyond
    is the page after the next one in the run, if any."""

    def __init__(self, page, ms, resources, before, after, beyond=None):
        self.page = page
        self.ms = ms
        self.resources = resources
        self.before = before
        self.after = after
        self.beyond = beyond

    def of(self, kind):
        return [path for k, path in self.resources if k == kind]

    def ahead(self, path):
        """Requests answered in full before the click."""
        return sum(1 for r in self.before if r.path == path and r.status == 200 and r.method != "HEAD")

    def asked_ahead(self, path):
        """Requests of any answer before the click, HEAD requests included."""
        return sum(1 for r in self.before if r.path == path)

    def full(self, path):
        return sum(1 for r in self.after if r.path == path and r.status == 200 and r.method != "HEAD")

    def revalidated(self, path):
        return sum(1 for r in self.after if r.path == path and r.status == 304)

    def too_early(self):
        """Requests before the click for the page after the next one: the next page fetching its
        own next page before it is shown."""
        return sum(1 for r in self.before if r.path == self.beyond)

    def twice(self):
        """Resources of the next page downloaded in full more than once."""
        return [path for _, path in self.resources if self.ahead(path) + self.full(path) > 1]


class Walk:
    """A walk's clicks, the pages it showed, the pages the tab left without a click, the clicks
    after which the tab's history did not hold one more entry, and how often each page's beacon
    (the page server's /count/ address) was asked for."""

    def __init__(self, clicks, shown, left, history, beacons):
        self.clicks, self.shown, self.left, self.history, self.beacons = clicks, shown, left, history, beacons


def _still_on(engine, url):
    """Whether the tab still shows url; a page being replaced is not."""
    try:
        return engine.evaluate("location.href") == url
    except engines.NotReady:
        return False


def walk(engine, server, origin, folder, pages, clicks, wait, resources_of):
    """Walks from pages[0] through `clicks` clicks; returns the Walk."""
    done, left, history = [], [], []
    start = server.mark()
    url = origin + folder + pages[0]
    engine.navigate(url)
    wait_loaded(engine, url)
    first_length = engine.evaluate("history.length")
    for n in range(clicks):
        settle(server, wait)
        if not _still_on(engine, url):
            left.append(pages[n])  # no click can follow
            break
        if engine.evaluate("history.length") != first_length + n:
            history.append(pages[n])
        mark = server.mark()
        next_page = pages[n + 1]
        now = time.monotonic()
        clicked = engine.evaluate("performance.timeOrigin + performance.now()")
        try:
            if engine.evaluate(CLICK % json.dumps(next_page)) is None:
                raise RuntimeError("%s: no link to %s" % (url, next_page))
        except engines.NotReady:
            pass  # the page was replaced before the answer came: the click was made

        url = origin + folder + next_page
        loaded = wait_loaded(engine, url)
        # What the page asks for after its load event is its own fetching ahead, not the click's:
        # a picture it shares with the page after it is no request of the click. The load event
        # is placed on the server's clock by its distance from the click on the engine's.
        load_event = now + (loaded - clicked) / 1000
        requests = server.requests(start)
        split = mark - start
        done.append(Click(next_page, loaded - clicked, resources_of(folder + next_page), requests[:split],
                          [r for r in requests[split:] if r.arrived <= load_event],
                          folder + pages[n + 2] if n + 2 < len(pages) else None))
    # The last page shown fetches its next page too: the tab must stay there as well.
    if not left:
        settle(server, 0.5)
        if not _still_on(engine, url):
            left.append(pages[clicks])
    beacons = {}
    for r in server.requests(start):
        if r.path.startswith(pageserver.BEACON):
            page = r.path[len(pageserver.BEACON) - 1:]
            beacons[page] = beacons.get(page, 0) + 1
    return Walk(done, [folder + p for p in pages[:len(done) + 1]], left, history, beacons)
