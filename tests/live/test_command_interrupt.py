#!/usr/bin/env python3
"""Keyboard interrupts. At a prompt one opens a new command level at once
("&_p" returns); it is suspended while a new level waits for its first token
(a second interrupt there does nothing); "&(m = 0)" makes it do nothing at
all, "&(m = 2)" makes it a panic stop. Interrupts of computations open levels
whatever the setting: "&_p" resumes the computation and its result is
complete; "&@" abandons it, and the target keeps the 0 it was created with
when the assignment began."""
import signal
import sys
import time

from session import Session


def interrupt(s):
    time.sleep(0.3)  # let it block in the read, or get into the product
    s.proc.send_signal(signal.SIGINT)


def main():
    e_at_1 = 5 ** 24
    expected = str(e_at_1 * (e_at_1 + 1))
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        interrupt(s)
        s.read_until("*** New command level.\n")
        s.read_until("2>")
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until(">")
        s.send("&J x\n&J y\n&J z\n&J t\nf := (1+x+y+z+t)^30:\ne := (1+x+y+z+t)^24:\n")
        for _ in range(6):
            s.read_until(">")
        # A computation interrupted; a second interrupt at the new level's
        # first prompt is ignored.
        s.send("g := f*(f+1):\n")
        interrupt(s)
        before = s.read_until("*** New command level.\n")
        assert ">" not in before, "the product ended before the interrupt:\n" + before
        s.read_until("2>")
        interrupt(s)
        time.sleep(0.3)
        s.send("3 + 4\n")
        seen = s.read_until("\n7\n")
        assert "New command level" not in seen and "3>" not in seen, seen
        s.read_until("2>")
        # From now on an interrupt at the prompt of level 2 opens level 3.
        interrupt(s)
        s.read_until("*** New command level.\n")
        s.read_until("3>")
        s.send("&@\n")
        s.read_until("*** Panic stop.\n")
        s.read_until(">")
        s.send("g\n")
        s.read_until("\n0\n")
        s.read_until(">")
        # Off: nothing happens at the prompt.
        s.send("&(m = 0)\n")
        s.read_until(" Command interrupt now off.\n")
        s.read_until(">")
        interrupt(s)
        time.sleep(0.3)
        s.send("5 + 6\n")
        seen = s.read_until("\n11\n")
        assert "New command level" not in seen and "Panic" not in seen, seen
        s.read_until(">")
        # ... while a computation is still interrupted, and resumed.
        s.send("g := e*(e+1):\n")
        interrupt(s)
        s.read_until("*** New command level.\n")
        s.read_until("2>")
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.send("g#(1,1,1,1)\n")
        s.read_until(expected)
        s.read_until(">")
        # Level 2: a panic stop, here from level 2 back to level 1.
        s.send("&_P\n")
        s.read_until("2>")
        s.send("&(m = 2)\n")
        s.read_until(" Command interrupt now on, level 2.\n")
        s.read_until("2>")
        interrupt(s)
        s.read_until("*** Panic stop.\n")
        s.read_until(">")
        interrupt(s)
        s.read_until("*** Panic stop.\n    You were already at the lowest level.\n")
        s.read_until(">")
        s.send("&(m = 1)\n")
        s.read_until(" Command interrupt now on, level 1.\n")
        s.read_until(">")
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
