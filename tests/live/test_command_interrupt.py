#!/usr/bin/env python3
"""Command interrupts: a keyboard interrupt while Tolmex waits at a prompt.
It is suspended while a new level waits for its first token (a second
interrupt there does nothing); "&(m = 0)" makes it do nothing at all,
"&(m = 2)" makes it a panic stop. Interrupts of computations open levels
whatever the setting."""
import signal
import sys
import time

from session import Session


def interrupt(s):
    time.sleep(0.3)  # let it block in the read
    s.proc.send_signal(signal.SIGINT)
    time.sleep(0.3)


def main():
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send("&J x\n&J y\n&J z\n&J t\nf := (1+x+y+z+t)^30:\n")
        for _ in range(5):
            s.read_until(">")
        # A computation interrupted; a second interrupt at the new level's
        # first prompt is ignored.
        s.send("g := f*(f+1):\n")
        time.sleep(0.3)
        s.proc.send_signal(signal.SIGINT)
        s.read_until("*** New command level.\n")
        s.read_until("2>")
        interrupt(s)
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
        # Off: nothing happens at the prompt.
        s.send("&(m = 0)\n")
        s.read_until(" Command interrupt now off.\n")
        s.read_until(">")
        interrupt(s)
        s.send("5 + 6\n")
        seen = s.read_until("\n11\n")
        assert "New command level" not in seen and "Panic" not in seen, seen
        s.read_until(">")
        # ... while a computation is still interrupted.
        s.send("g := f*(f+1):\n")
        time.sleep(0.3)
        s.proc.send_signal(signal.SIGINT)
        s.read_until("*** New command level.\n")
        s.read_until("2>")
        # Level 2: a panic stop, here from level 2 back to level 1.
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
