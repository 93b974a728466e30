#!/usr/bin/env python3
"""An interrupt while a large snapshot is written, abandoned with "&@" and
resumed with "&_p": afterwards the save file is the earlier one or that one
followed by one whole new snapshot, never a part of one, and the session
goes on; so does a session whose reading of the file is interrupted.
Then the file's place changes between saves: its directory goes
away, a directory takes its name; each save fails with error 368, and a
save after the place is mended writes."""
import os
import shutil
import signal
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "live"))
from session import Session  # noqa: E402

from faultrun import check  # noqa: E402

BUILD = ("&J x\n&J y\n&J z\np := (1+x+y+z)^30:\nArray a[200]\n"
         "Func Fill(n) = for i = 1, n do a[i] := p + i od.\nFill(200)\n")


def value(s, statement, shown):
    s.send(statement + "\n")
    s.read_until("\n%s\n" % shown)
    s.read_until(">")


def interrupted_save(s, path, ending, k):
    before = open(path, "rb").read()
    s.send("k := %d:\n&s\n" % k)
    time.sleep(0.3)
    s.proc.send_signal(signal.SIGINT)
    s.read_until("*** New command level.\n")
    s.read_until("2>")
    s.send(ending + "\n")
    value(s, "k + 1", k + 1)
    after = open(path, "rb").read()
    if after != before:
        check(after.startswith(before), "the earlier snapshots changed")
        new = after[len(before):]
        check(new.count(b"&x;") == 1 and new.endswith(b"&x;\n") and b" k := %d;" % k in new,
              "a partial snapshot after %s: %d bytes ending %r" % (ending, len(new), new[-40:]))
    check(os.listdir(s.work.name) == ["snap"], "left behind: %r" % os.listdir(s.work.name))


def moved_place(s):
    sub = os.path.join(s.work.name, "sub")
    os.mkdir(sub)
    s.send("&(S = 'sub/out')\n&s\n")
    value(s, "k", 2)
    shutil.rmtree(sub)
    s.send("&s\n")
    s.read_until(" *** Warning. sub/out: No such file or directory. The file was not changed.\n")
    s.read_until("*** The save file cannot be written.\n")
    os.makedirs(os.path.join(sub, "out"))
    s.send("&s\n")
    s.read_until(" *** Warning. sub/out: Is a directory. The file was not changed.\n")
    s.read_until("*** The save file cannot be written.\n")
    os.rmdir(os.path.join(sub, "out"))
    s.send("&s\n")
    value(s, "k * 10", 20)
    text = open(os.path.join(sub, "out")).read()
    check(text.count("&x;") == 1 and text.endswith("&x;\n"), "the mended save is not whole")


def interrupted_read(tolmex, snap, ending, shown):
    """A fresh session reads the save file and is interrupted; the level
    opened is left with ending, and the session goes on."""
    s = Session(tolmex)
    try:
        s.read_until(">")
        with open(os.path.join(s.work.name, "snap"), "wb") as f:
            f.write(snap)
        s.send("&r 'snap';\n")
        time.sleep(0.3)
        s.proc.send_signal(signal.SIGINT)
        s.read_until("*** New command level.\n")
        s.read_until("2>")
        s.send(ending + "\n")
        if shown is not None:  # the whole file was read
            value(s, "a[200] - p", shown)
        value(s, "12345 + 2", 12347)
        s.finish()
    finally:
        s.close()


def main():
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send(BUILD + "&s 'snap';\n&s\n")
        value(s, "12345 + 1", 12346)
        path = os.path.join(s.work.name, "snap")
        interrupted_save(s, path, "&@", 1)
        interrupted_save(s, path, "&_p", 2)
        moved_place(s)
        value(s, "a[7] - p", 7)
        s.finish()
        snap = open(path, "rb").read()
    finally:
        s.close()
    interrupted_read(sys.argv[1], snap, "&@", None)
    interrupted_read(sys.argv[1], snap, "&_p", 200)


if __name__ == "__main__":
    main()
