#!/usr/bin/env python3
"""A keyboard interrupt during a long product opens command level 2 inside
the computation; "&_p" resumes it and the result is complete. An interrupt
in a product far too long to finish, followed by "&@", abandons it: the
target keeps the 0 it was created with when the assignment began."""
import signal
import sys
import time

from session import Session


def main():
    f_at_1 = 5 ** 24
    expected = str(f_at_1 * (f_at_1 + 1))
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send("&J x\n&J y\n&J z\n&J t\nf := (1+x+y+z+t)^24:\nk := (1+x+y+z+t)^30:\n")
        for _ in range(6):
            s.read_until(">")
        # Interrupt the product and resume it.
        s.send("g := f*(f+1):\n")
        time.sleep(0.2)
        s.proc.send_signal(signal.SIGINT)
        s.read_until("*** New command level.\n")
        s.read_until("2>")
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.send("g#(1,1,1,1)\n")
        s.read_until(expected)
        s.read_until(">")
        # Interrupt and abandon.
        s.send("h := k*(k+1):\n")
        time.sleep(0.5)
        s.proc.send_signal(signal.SIGINT)
        before = s.read_until("*** New command level.\n")
        assert ">" not in before, "the product ended before the interrupt:\n" + before
        s.read_until("2>")
        s.send("&@\n")
        s.read_until("*** Panic stop.\n")
        s.read_until(">")
        s.send("h\n")
        s.read_until("\n0\n")
        s.read_until(">")
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
