"""The WebKit end of the reader benchmark's WebKit driver: one WebKitGTK view, run by Debian's
Python through gi under an X server. Reads one JSON command per line on standard input and
writes one JSON answer per line to the file descriptor given; the web process writes the
console messages to its standard error.

usage: webkit_driver.py <profile folder> <answer fd>
commands: {"op": "version"}, {"op": "navigate", "url": ...}, {"op": "evaluate", "expression": ...},
each with an "id" that its answer repeats."""

import json
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
gi.require_version("WebKit2", "4.1")
from gi.repository import GLib, Gtk, WebKit2  # noqa: E402

folder = sys.argv[1]
answers = os.fdopen(int(sys.argv[2]), "w")

manager = WebKit2.WebsiteDataManager(base_data_directory=os.path.join(folder, "data"),
                                     base_cache_directory=os.path.join(folder, "cache"))
context = WebKit2.WebContext.new_with_website_data_manager(manager)
context.set_cache_model(WebKit2.CacheModel.WEB_BROWSER)
view = WebKit2.WebView.new_with_context(context)
settings = view.get_settings()
settings.set_enable_write_console_messages_to_stdout(True)
settings.set_hardware_acceleration_policy(WebKit2.HardwareAccelerationPolicy.NEVER)
settings.set_media_playback_requires_user_gesture(True)
# A window shown on the X server, as a reader's: WebKit starts no media in a page it does not show.
window = Gtk.Window()
window.set_default_size(1024, 768)
window.add(view)
window.show_all()


def answer(number, message):
    message["id"] = number
    answers.write(json.dumps(message) + "\n")
    answers.flush()


def evaluated(source, result, number):
    try:
        value = view.evaluate_javascript_finish(result)
        answer(number, {"value": json.loads(value.to_json(0) or "null")})
    except GLib.Error as e:
        answer(number, {"error": e.message})


def run(command):
    op, number = command.get("op"), command.get("id")
    if op == "version":
        answer(number, {"value": "WebKitGTK %d.%d.%d" % (WebKit2.get_major_version(), WebKit2.get_minor_version(),
                                                  WebKit2.get_micro_version())})
    elif op == "navigate":
        view.load_uri(command["url"])
        answer(number, {"value": None})
    elif op == "evaluate":
        view.evaluate_javascript(command["expression"], -1, None, None, None, evaluated, number)
    else:
        answer(number, {"error": "unknown command"})


pending = b""


def readable(fd, condition):
    global pending
    chunk = os.read(fd, 65536)
    if not chunk:
        Gtk.main_quit()
        return False
    pending += chunk
    while b"\n" in pending:
        line, pending = pending.split(b"\n", 1)
        if line.strip():
            run(json.loads(line))
    return True


GLib.io_add_watch(sys.stdin.fileno(), GLib.IO_IN | GLib.IO_HUP, readable)
Gtk.main()
