#!/usr/bin/env python3
"""Keyboard interrupts reach the echelon forms, which work on a copy: the
reduced row echelon form of a 140 x 140 integer matrix is interrupted and
abandoned, and the matrix is as it was; interrupted again, the target
array is deleted at the new command level and the resumed form fails with
"No such array" instead of storing into it; interrupted a third time and
resumed, the form is complete and stored."""
import random
import sys

from session import Session

N = 140


def main():
    rng = random.Random(20261207)
    rows = [[rng.randint(-99, 99) for _ in range(N)] for _ in range(N)]
    for r in range(N):
        rows[r][r] = 1000 + rng.randint(0, 99)  # diagonally dominant: rank N
    trace = sum(rows[r][r] for r in range(N))
    entries = ", ".join(str(e) for row in rows for e in row)
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send("Array a[%d,%d], b[%d,%d]\n[a] := [[%s]]:\n[b] := [a]:\n" % (N, N, N, N, entries))
        for _ in range(3):
            s.read_until(">")
        s.interrupt_running("Redrowech([a])\n", "reduced form", delay=0.5)
        s.send("Trace([a])\n")
        s.read_until("\n%d\n" % trace)
        s.send("&@\n")
        s.read_until("*** Panic stop.\n")
        s.read_until(">")
        s.send("Trace([a])\n")
        s.read_until("\n%d\n" % trace)
        s.send("a[1,2]\n")
        s.read_until("\n%d\n" % rows[0][1])
        s.read_until(">")
        s.interrupt_running("Redrowech([a], [b])\n", "reduced form", delay=0.5)
        s.send("@[b]\n")
        s.read_until("2>")
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until("*** No such array.\n")
        s.read_until(">")
        s.send("Trace([a])\n")
        s.read_until("\n%d\n" % trace)
        s.read_until(">")
        s.interrupt_running("Redrowech([a])\n", "reduced form", delay=0.5)
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until("\n%d\n" % N)
        s.read_until(">")
        s.send("Trace([a])\n")
        s.read_until("\n%d\n" % N)
        s.read_until(">")
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
