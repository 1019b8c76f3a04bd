#!/usr/bin/env python3
"""Waiting in the run and shoot scripts: always for a condition (a picture
that changed or came to rest, a file that appeared, a FIFO that was read, a
process that exited), up to a deadline generous enough for a loaded 2-core
machine. When the deadline passes, the script stops and says what it was
waiting for:

    NAME: gave up after N s waiting for WHAT

From Python (tools/<script>):
    sys.path.insert(0, os.path.join(TOP, "tools", "lib")); import waits
From a shell script:
    python3 tools/lib/waits.py NAME SECONDS WHAT -- COMMAND...
        runs COMMAND every 0.1 s until it succeeds
    python3 tools/lib/waits.py NAME SECONDS WHAT --settled FILE
        until FILE has not changed for a moment
    python3 tools/lib/waits.py NAME SECONDS WHAT --exited PID
        until the process has exited (gone, or a zombie its parent has not reaped)
    python3 tools/lib/waits.py NAME SECONDS WHAT --steady [--from OLD] -- COMMAND...
        until COMMAND's output (say, a checksum of a window's picture) differs
        from OLD, when given, and then stays the same for a moment; prints it

WAIT_SCALE (default 1) multiplies every deadline.
"""
import fcntl
import os
import struct
import subprocess
import sys
import termios
import time

SCALE = float(os.environ.get("WAIT_SCALE", "1"))
# A quiet machine needs a fraction of these; they only end a run that is stuck.
START = 120    # a program starting and reaching its main loop
STEP = 60      # a key taking effect, a picture changing, a program exiting
QUIET = 0.4    # a picture that has not changed for this long has come to rest

name = os.path.basename(sys.argv[0])


def give_up(what, seconds):
    sys.exit("%s: gave up after %g s waiting for %s" % (name, seconds, what))


def until(what, check, seconds=STEP, proc=None, poll=0.05):
    """Returns check()'s first true value. With proc, a program that exits
    meanwhile ends the wait at once."""
    seconds *= SCALE
    end = time.monotonic() + seconds
    while True:
        got = check()
        if got:
            return got
        if proc is not None and proc.poll() is not None:
            sys.exit("%s: the program exited (status %s) while waiting for %s" % (name, proc.returncode, what))
        if time.monotonic() >= end:
            give_up(what, seconds)
        time.sleep(poll)


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def changed(path, before, what, seconds=STEP, proc=None, sample=None):
    """Until the file's contents (or what sample() returns) differ from
    `before`; returns them."""
    sample = sample or (lambda: read(path))

    def differs():
        now = sample()
        return now if now and now != before else None
    return until(what, differs, seconds, proc)


def settled(path, what, quiet=QUIET, seconds=STEP, proc=None, sample=None):
    """Until the file's contents (or what sample() returns) have not changed
    for `quiet` seconds; returns them."""
    sample = sample or (lambda: read(path))
    state = {"last": sample(), "since": time.monotonic()}

    def still():
        now = sample()
        if now != state["last"] or not now:
            state["last"], state["since"] = now, time.monotonic()
            return None
        return now if time.monotonic() - state["since"] >= quiet else None
    return until(what, still, seconds, proc)


def drained(fd, what, seconds=STEP, proc=None):
    """Until nothing written into the FIFO `fd` is left unread."""
    def unread():
        return struct.unpack("i", fcntl.ioctl(fd, termios.FIONREAD, b"\0\0\0\0"))[0]
    until(what, lambda: unread() == 0, seconds, proc, poll=0.01)


def exited(proc, what, seconds=STEP):
    """Until the process has exited; returns its status."""
    until(what, lambda: proc.poll() is not None, seconds)
    return proc.returncode


def pid_exited(pid):
    """A check: the process is gone or has exited (a zombie)."""
    def gone():
        stat = read("/proc/%d/stat" % pid).decode("utf-8", "replace")
        return not stat or stat.rsplit(")", 1)[1].split()[0] == "Z"
    return gone


def text_in(path, text):
    """A check: the file exists and holds `text`."""
    return lambda: text in read(path).decode("utf-8", "replace")


def main(argv):
    global name
    if len(argv) < 5 or argv[3] not in ("--", "--settled", "--exited", "--steady"):
        sys.exit("usage: waits.py NAME SECONDS WHAT {-- COMMAND... | --settled FILE | --exited PID"
                 " | --steady [--from OLD] -- COMMAND...}")
    name, seconds, what = argv[0], float(argv[1]), argv[2]
    if argv[3] == "--steady":
        old, command = (argv[5], argv[7:]) if argv[4] == "--from" else (None, argv[5:])

        def output():
            return subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
        if old is not None:
            changed(None, old.encode() + b"\n", what, seconds, sample=output)
        sys.stdout.write(settled(None, what, seconds=seconds, sample=output).decode())
    elif argv[3] == "--settled":
        settled(argv[4], what, seconds=seconds)
    elif argv[3] == "--exited":
        until(what, pid_exited(int(argv[4])), seconds)
    else:
        until(what, lambda: subprocess.run(argv[4:], stdout=subprocess.DEVNULL,
                                           stderr=subprocess.DEVNULL).returncode == 0, seconds, poll=0.1)


if __name__ == "__main__":
    main(sys.argv[1:])
