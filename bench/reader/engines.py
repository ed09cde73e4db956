"""Drivers for the browser engines of the reader benchmark. Each starts its engine with a fresh
profile in a given folder and offers the same few calls:

    version()            the engine's name and version
    navigate(url)        starts loading the address in the one tab, without waiting
    evaluate(expression) the value of a script expression in the tab's page (JSON-able), or
                         raises NotReady while a page is being replaced
    messages()           the console messages the engine reported so far, as text lines
    stop()               ends the engine and every process it started

start_engine(name, folder) returns a started driver, or raises CannotStart with the reason."""

import json
import os
import queue
import re
import shutil
import signal
import subprocess
import threading
import time

from . import wsclient

HERE = os.path.dirname(os.path.abspath(__file__))
CONSOLE_LINE = re.compile(r"(\S*:\d+:\d+: )?CONSOLE ")


class CannotStart(Exception):
    pass


class NotReady(Exception):
    pass


def _launch(argv, folder, env=None, stdout=None):
    """Starts a program in a process group of its own, with its standard error in a log file."""
    err = open(os.path.join(folder, "engine.err"), "wb")
    try:
        return subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=stdout or err, stderr=err,
                                env=env, start_new_session=True)
    finally:
        err.close()


def _end(process):
    if process is None or process.poll() is not None:
        return
    try:
        os.killpg(process.pid, signal.SIGTERM)
        process.wait(5)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()
    except ProcessLookupError:
        pass


def _wait_for_line(folder, pattern, process, seconds):
    """Waits for a line of the engine's standard error that matches; returns the match."""
    path = os.path.join(folder, "engine.err")
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        with open(path, "rb") as f:
            found = re.search(pattern, f.read().decode(errors="replace"))
        if found:
            return found
        if process.poll() is not None:
            break
        time.sleep(0.05)
    with open(path, "rb") as f:
        tail = f.read().decode(errors="replace").strip().splitlines()[-5:]
    raise CannotStart("no answer from the engine" + "".join("\n    " + line for line in tail))


class _Socket:
    """A JSON command channel over a WebSocket: numbered commands, their answers, and events,
    read by a thread of its own so that events never wait."""

    def __init__(self, url, on_event=None):
        self.on_event = on_event
        self.ws = wsclient.connect(url)
        self.next_id = 0
        self.answers = {}
        self.pending = {}  # number of each command awaiting its answer -> its session
        self.events = queue.Queue()
        self.cond = threading.Condition()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        try:
            while True:
                message = json.loads(self.ws.receive())
                if "id" in message:
                    with self.cond:
                        self.answers[message["id"]] = message
                        self.cond.notify_all()
                elif self.on_event:
                    self.on_event(message)
                else:
                    self.events.put(message)
        except (wsclient.Closed, OSError, ValueError):
            with self.cond:
                self.answers[None] = {}
                self.cond.notify_all()

    def call(self, method, params=None, session=None, timeout=30):
        with self.cond:
            self.next_id += 1
            number = self.next_id
            self.pending[number] = session
        message = {"id": number, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        self.ws.send(json.dumps(message))
        deadline = time.monotonic() + timeout
        with self.cond:
            try:
                while number not in self.answers:
                    if None in self.answers or not self.cond.wait(deadline - time.monotonic()):
                        raise NotReady("no answer to " + method)
                return self.answers.pop(number)
            finally:
                self.pending.pop(number, None)

    def abandon(self, session):
        """Answers the commands still waiting on a session that has gone: none will come."""
        with self.cond:
            for number, waiting in self.pending.items():
                if waiting == session:
                    self.answers[number] = {"error": {"message": "the page went away"}}
            self.cond.notify_all()

    def close(self):
        self.ws.close()


class Chromium:
    """Chromium over the DevTools protocol. The driver attaches to the tab, not to its page, so
    that the engine may prerender: a prerendered page is a page of its own in the tab until the
    click makes it the shown one."""

    def __init__(self, folder):
        self.folder = folder
        self.lines = []
        self.pages = {}  # session of each page in the tab -> True while it is a prerendered one
        self.targets = {}  # target of each page -> its session
        self.lock = threading.Lock()
        binary = shutil.which("chromium") or shutil.which("chromium-browser")
        if not binary:
            raise CannotStart("Chromium is not installed (tools/setup.sh installs the chromium package)")
        self.process = _launch([binary, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                                "--no-first-run", "--no-default-browser-check",
                                "--disable-background-networking", "--disable-component-update",
                                "--disable-sync", "--mute-audio", "--remote-debugging-port=0",
                                "--user-data-dir=" + os.path.join(folder, "profile"), "about:blank"],
                               folder)
        try:
            url = _wait_for_line(folder, r"DevTools listening on (ws://\S+)", self.process, 30).group(1)
            self.socket = _Socket(url, self._event)
            self.browser_version = self.socket.call("Browser.getVersion")["result"]["product"]
            tabs = self.socket.call("Target.getTargets", {"filter": [{"type": "tab"}]})["result"]["targetInfos"]
            tab = self.socket.call("Target.attachToTarget", {"targetId": tabs[0]["targetId"],
                                                             "flatten": True})["result"]["sessionId"]
            self.socket.call("Target.setAutoAttach", {"autoAttach": True, "waitForDebuggerOnStart": False,
                                                      "flatten": True}, tab)
            deadline = time.monotonic() + 10
            while self._page() is None and time.monotonic() < deadline:
                time.sleep(0.05)
            if self._page() is None:
                raise CannotStart("the tab shows no page")
        except (CannotStart, NotReady, wsclient.Closed, OSError, IndexError, KeyError) as e:
            self.stop()
            raise CannotStart(str(e))

    def _event(self, event):
        """Runs in the socket's reader thread: follows the pages of the tab, keeps the messages."""
        method, params = event.get("method"), event.get("params", {})
        if method == "Target.attachedToTarget" and params["targetInfo"]["type"] == "page":
            with self.lock:
                self.pages[params["sessionId"]] = params["targetInfo"].get("subtype") == "prerender"
                self.targets[params["targetInfo"]["targetId"]] = params["sessionId"]
            threading.Thread(target=self._watch, args=(params["sessionId"],), daemon=True).start()
        elif method == "Target.detachedFromTarget":
            with self.lock:
                self.pages.pop(params.get("sessionId"), None)
            self.socket.abandon(params.get("sessionId"))
        elif method == "Target.targetInfoChanged":
            info = params["targetInfo"]
            with self.lock:
                session = self.targets.get(info["targetId"])
                if session in self.pages:
                    self.pages[session] = info.get("subtype") == "prerender"
        elif method == "Runtime.consoleAPICalled":
            self.lines.append("console.%s: %s" % (params["type"], " ".join(
                str(a.get("value", a.get("description", ""))) for a in params.get("args", []))))
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            text = details.get("exception", {}).get("description", details.get("text", ""))
            self.lines.append("exception: " + text)
        elif method == "Log.entryAdded":
            entry = params["entry"]
            self.lines.append("%s %s: %s" % (entry["source"], entry["level"], entry["text"]))

    def _watch(self, session):
        try:
            for domain in ("Runtime", "Log"):
                self.socket.call(domain + ".enable", {}, session)
        except (NotReady, OSError, wsclient.Closed):
            pass  # the page went away meanwhile

    def _page(self):
        """The session of the page the tab shows."""
        with self.lock:
            shown = [session for session, hidden in self.pages.items() if not hidden]
        return shown[-1] if shown else None

    def version(self):
        return "Chromium " + self.browser_version.split("/")[-1]

    def set_data_saver(self, on):
        """Turns the reader's data saver on or off; False where the engine offers no such switch."""
        answer = self.socket.call("Emulation.setDataSaverOverride", {"dataSaverEnabled": on}, self._page())
        return "error" not in answer

    def navigate(self, url):
        self.socket.call("Page.navigate", {"url": url}, self._page())

    def evaluate(self, expression):
        session = self._page()
        if session is None:
            raise NotReady("no page shown")
        answer = self.socket.call("Runtime.evaluate", {"expression": expression, "returnByValue": True},
                                  session, timeout=5)
        result = answer.get("result", {})
        if "error" in answer or "exceptionDetails" in result:
            raise NotReady(json.dumps(answer)[:300])
        return result["result"].get("value")

    def messages(self):
        return list(self.lines)

    def stop(self):
        if getattr(self, "socket", None):
            self.socket.close()
        _end(self.process)


class Firefox:
    """Firefox over WebDriver BiDi, which it serves itself (no separate driver program)."""

    PREFS = {
        "browser.shell.checkDefaultBrowser": False,
        "browser.startup.homepage_override.mstone": "ignore",
        "datareporting.policy.dataSubmissionEnabled": False,
        "toolkit.telemetry.reportingpolicy.firstRun": False,
        "app.update.disabledForTesting": True,
        "network.captive-portal-service.enabled": False,
        "network.connectivity-service.enabled": False,
        "browser.safebrowsing.update.enabled": False,
        "media.autoplay.default": 0,
    }

    def __init__(self, folder):
        self.folder = folder
        binary = shutil.which("firefox-esr") or shutil.which("firefox")
        if not binary:
            raise CannotStart("Firefox is not installed (tools/setup.sh installs the firefox-esr package)")
        profile = os.path.join(folder, "profile")
        os.makedirs(profile, exist_ok=True)
        with open(os.path.join(profile, "user.js"), "w") as f:
            for name, value in self.PREFS.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        env = dict(os.environ, MOZ_CRASHREPORTER_DISABLE="1")
        self.process = _launch([binary, "--headless", "--no-remote", "--profile", profile,
                                "--remote-debugging-port", "0", "about:blank"], folder, env)
        self.lines = []
        try:
            url = _wait_for_line(folder, r"WebDriver BiDi listening on (ws://\S+)", self.process, 60).group(1)
            self.socket = _Socket(url + "/session")
            session = self.socket.call("session.new", {"capabilities": {}})
            if "error" in session:
                raise CannotStart(json.dumps(session)[:300])
            caps = session["result"]["capabilities"]
            self.browser_version = "Firefox %s" % caps["browserVersion"]
            self.socket.call("session.subscribe", {"events": ["log.entryAdded"]})
            tree = self.socket.call("browsingContext.getTree", {})["result"]["contexts"]
            self.context = tree[0]["context"]
        except (CannotStart, NotReady, wsclient.Closed, OSError, IndexError, KeyError) as e:
            self.stop()
            raise CannotStart(str(e))

    def version(self):
        return self.browser_version

    def set_data_saver(self, on):
        return False

    def navigate(self, url):
        self.socket.call("browsingContext.navigate", {"context": self.context, "url": url, "wait": "none"})

    def evaluate(self, expression):
        answer = self.socket.call("script.evaluate", {"expression": expression, "awaitPromise": False,
                                                      "target": {"context": self.context}})
        result = answer.get("result", {})
        if "error" in answer or result.get("type") != "success":
            raise NotReady(json.dumps(answer)[:300])
        return _bidi_value(result["result"])

    def messages(self):
        while True:
            try:
                event = self.socket.events.get_nowait()
            except queue.Empty:
                break
            if event.get("method") == "log.entryAdded":
                entry = event["params"]
                self.lines.append("%s %s: %s" % (entry.get("type"), entry.get("level"), entry.get("text")))
        return list(self.lines)

    def stop(self):
        if getattr(self, "socket", None):
            try:
                self.socket.call("browser.close", {}, timeout=5)
            except (NotReady, OSError, wsclient.Closed):
                pass
            self.socket.close()
        _end(self.process)


def _bidi_value(remote):
    """A BiDi remote value as a plain Python value (primitives, arrays and objects)."""
    kind = remote.get("type")
    if kind in ("undefined", "null"):
        return None
    if kind in ("string", "boolean"):
        return remote["value"]
    if kind == "number":
        return remote["value"] if not isinstance(remote["value"], str) else float("nan")
    if kind == "array":
        return [_bidi_value(v) for v in remote.get("value", [])]
    if kind == "object":
        return {k: _bidi_value(v) for k, v in remote.get("value", [])}
    return None


class WebKit:
    """WebKitGTK through python3-gi, in a child process (webkit_driver.py) under Xvfb. That process
    runs with Debian's Python, where the gi module is, and answers one JSON line per command."""

    def __init__(self, folder):
        self.folder = folder
        self.xvfb = None
        self.process = None
        python = "/usr/bin/python3"
        probe = subprocess.run([python, "-c", "import gi; gi.require_version('WebKit2', '4.1'); "
                                "from gi.repository import WebKit2"], capture_output=True, text=True) \
            if os.path.exists(python) else None
        if probe is None or probe.returncode != 0:
            raise CannotStart("WebKitGTK cannot be loaded "
                              "(tools/setup.sh installs gir1.2-webkit2-4.1 and python3-gi)")
        if not shutil.which("Xvfb"):
            raise CannotStart("Xvfb is not installed (tools/setup.sh installs the xvfb package)")
        read_fd, write_fd = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "1024x768x24",
                                      "-nolisten", "tcp"], pass_fds=(write_fd,), stdin=subprocess.DEVNULL,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_fd)
        with os.fdopen(read_fd) as f:
            display = f.readline().strip()
        if not display:
            _end(self.xvfb)
            raise CannotStart("Xvfb did not start")
        env = dict(os.environ, DISPLAY=":" + display, WEBKIT_DISABLE_COMPOSITING_MODE="1",
                   WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS="1", GDK_BACKEND="x11", NO_AT_BRIDGE="1")
        env.pop("WAYLAND_DISPLAY", None)
        # The web process writes the console messages to the standard error it inherits.
        self.console_path = os.path.join(folder, "engine.err")
        console = open(self.console_path, "wb")
        answer_read, answer_write = os.pipe()
        driver = [python, os.path.join(HERE, "webkit_driver.py"), folder, str(answer_write)]
        self.process = subprocess.Popen(driver,
                                        stdin=subprocess.PIPE, stdout=console, stderr=console,
                                        env=env, start_new_session=True, pass_fds=(answer_write,))
        console.close()
        os.close(answer_write)
        self.answers = queue.Queue()
        self.number = 0
        threading.Thread(target=self._read, args=(os.fdopen(answer_read),), daemon=True).start()
        try:
            self.browser_version = self._call({"op": "version"}, 60)
        except NotReady as e:
            self.stop()
            raise CannotStart("WebKitGTK did not answer: %s" % e)

    def _read(self, answers):
        for line in answers:
            self.answers.put(json.loads(line))
        self.answers.put({"error": "the WebKit process ended", "ended": True})

    def _call(self, command, timeout=30):
        """Sends one command to the WebKit process and waits for its answer line; the answers to
        commands given up on before are passed over."""
        self.number += 1
        deadline = time.monotonic() + timeout
        try:
            self.process.stdin.write((json.dumps(dict(command, id=self.number)) + "\n").encode())
            self.process.stdin.flush()
            answer = {}
            while answer.get("id") != self.number and "ended" not in answer:
                answer = self.answers.get(timeout=max(0, deadline - time.monotonic()))
        except (OSError, queue.Empty):
            raise NotReady("no answer to " + command["op"])
        if "error" in answer:
            raise NotReady(answer["error"])
        return answer.get("value")

    def version(self):
        return self.browser_version

    def set_data_saver(self, on):
        return False

    def navigate(self, url):
        self._call({"op": "navigate", "url": url})

    def evaluate(self, expression):
        return self._call({"op": "evaluate", "expression": expression})

    def messages(self):
        """Every console line: "<source>:<line>:<column>: CONSOLE ..." for a message with a source
        address, "CONSOLE ..." for one without (a security error, an unhandled rejection)."""
        with open(self.console_path, "rb") as f:
            text = f.read().decode(errors="replace")
        return [line for line in text.splitlines() if CONSOLE_LINE.match(line)]

    def stop(self):
        if self.process and self.process.poll() is None:
            try:
                self.process.stdin.close()
            except OSError:
                pass
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                pass
        _end(self.process)
        _end(self.xvfb)


ENGINES = {"chromium": Chromium, "firefox": Firefox, "webkit": WebKit}


def start_engine(name, folder):
    os.makedirs(folder, exist_ok=True)
    return ENGINES[name](folder)
