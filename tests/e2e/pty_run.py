#!/usr/bin/env python3
"""Runs a program on a pseudo-terminal and plays steps against it, for the cases where a terminal
matters: typed answers, Ctrl+C, a terminal that is closed, the closing key loop.

usage: pty_run.py [--cwd DIR] [--stdout FILE] [--transcript FILE] [--no-controlling-terminal]
                  STEP... -- PROGRAM ARG...

The program's standard input, output and error are the terminal; --stdout sends its standard
output to FILE instead. With --no-controlling-terminal the program runs in a session of its own,
so that the terminal is not its controlling terminal and closing it sends no hang-up signal.
Steps, in order:
  expect:TEXT      wait until the terminal has shown TEXT (after what earlier steps waited for)
  expect-file:PATH:TEXT   wait until FILE holds TEXT
  exists:PATH      wait until PATH exists
  send:TEXT        type TEXT (Python escapes: \\n, \\x03 for Ctrl+C, \\x04 for Ctrl+D)
  signal:NAME      send the signal (INT, TERM, HUP) to the program
  close            close the terminal (the program's side hangs up)
Then it waits for the program to end and prints "status N": its exit status, or 128 + the
signal that ended it. A step that is not met within a minute fails the run with status 3: a
safety net for a program that hangs, not a measure of speed.
"""
import os
import pty
import select
import signal
import sys
import time

SAFETY_SECONDS = 60


def main():
    args = sys.argv[1:]
    cwd = None
    stdout_file = None
    transcript_file = None
    own_session = False
    while args and args[0].startswith("--") and args[0] != "--":
        if args[0] == "--no-controlling-terminal":
            own_session = True
            args = args[1:]
            continue
        option, value = args[0], args[1]
        args = args[2:]
        if option == "--cwd":
            cwd = value
        elif option == "--stdout":
            stdout_file = value
        elif option == "--transcript":
            transcript_file = value
        else:
            sys.exit("pty_run: unknown option " + option)
    split = args.index("--")
    steps, command = args[:split], args[split + 1:]

    pid, master = pty.fork()
    if pid == 0:
        if cwd:
            os.chdir(cwd)
        if stdout_file:
            fd = os.open(stdout_file, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
            os.dup2(fd, 1)
            os.close(fd)
        signal.signal(signal.SIGPIPE, signal.SIG_DFL)
        if own_session:
            # The program in a new session, without a controlling terminal; this process waits for
            # it (it takes the hang-up itself) and ends as the program ended.
            program = os.fork()
            if program == 0:
                os.setsid()
                os.execv(command[0], command)
            signal.signal(signal.SIGHUP, signal.SIG_IGN)
            _, status = os.waitpid(program, 0)
            if os.WIFSIGNALED(status):
                signal.signal(os.WTERMSIG(status), signal.SIG_DFL)
                os.kill(os.getpid(), os.WTERMSIG(status))
            os._exit(os.WEXITSTATUS(status))
        os.execv(command[0], command)

    shown = bytearray()
    seen_up_to = 0
    open_master = True
    output_ended = False

    # Reads what the terminal shows, waiting at most wait seconds; False once nothing more can come.
    def pump(wait):
        nonlocal output_ended
        if not open_master or output_ended:
            time.sleep(wait)
            return False
        ready, _, _ = select.select([master], [], [], wait)
        if not ready:
            return True
        try:
            data = os.read(master, 65536)
        except OSError:
            data = b""
        if not data:
            output_ended = True
            return False
        shown.extend(data)
        return True

    def wait_for(condition, what):
        deadline = time.monotonic() + SAFETY_SECONDS
        while not condition():
            if time.monotonic() > deadline:
                fail("not met: " + what)
            pump(0.05)

    def fail(message):
        print("pty_run: " + message, file=sys.stderr)
        finish()
        os.kill(pid, signal.SIGKILL)
        os.waitpid(pid, 0)
        print("status 3")
        sys.exit(3)

    def finish():
        if transcript_file:
            with open(transcript_file, "wb") as f:
                f.write(shown)

    for step in steps:
        kind, _, value = step.partition(":")
        if kind == "expect":
            text = value.encode()

            def found():
                nonlocal seen_up_to
                at = shown.find(text, seen_up_to)
                if at >= 0:
                    seen_up_to = at + len(text)
                return at >= 0

            wait_for(found, step)
        elif kind == "expect-file":
            path, _, text = value.partition(":")

            def holds():
                try:
                    with open(path, "rb") as f:
                        return text.encode() in f.read()
                except OSError:
                    return False

            wait_for(holds, step)
        elif kind == "exists":
            wait_for(lambda: os.path.exists(value), step)
        elif kind == "send":
            try:
                os.write(master, value.encode().decode("unicode_escape").encode("latin-1"))
            except OSError:
                pass  # the program has ended already
        elif kind == "signal":
            os.kill(pid, getattr(signal, "SIG" + value))
        elif kind == "close":
            os.close(master)
            open_master = False
        else:
            fail("unknown step " + step)

    deadline = time.monotonic() + SAFETY_SECONDS
    while True:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            break
        if time.monotonic() > deadline:
            fail("the program did not end")
        pump(0.05)
    while open_master and pump(0):
        pass
    finish()
    code = 128 + os.WTERMSIG(status) if os.WIFSIGNALED(status) else os.WEXITSTATUS(status)
    print("status %d" % code)


main()
