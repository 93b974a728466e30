#!/usr/bin/env python3
"""Keyboard interrupts reach the expansion by minors: Minors of a 16 x 16
matrix (2 on the diagonal, 1 elsewhere: determinant 17) is interrupted,
resumed and complete; Minors of a 20 x 20 one is interrupted and abandoned,
and the next expansion (a new stash) is right."""
import sys

from session import Session


def ones_plus_diagonal(name, n):
    entries = ", ".join("2" if r == c else "1" for r in range(n) for c in range(n))
    return "Array %s[%d,%d]\n[%s] := [[%s]]:\n" % (name, n, n, name, entries)


def main():
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send(ones_plus_diagonal("b", 16) + ones_plus_diagonal("c", 20) + ones_plus_diagonal("a", 3))
        for _ in range(6):
            s.read_until(">")
        s.interrupt_running("Minors([b])\n", "expansion")
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until("\n17\n")
        s.read_until(">")
        s.interrupt_running("Minors([c])\n", "expansion", delay=0.5)
        s.send("&@\n")
        s.read_until("*** Panic stop.\n")
        s.read_until(">")
        s.send("Minors([a])\n")
        s.read_until("\n4\n")
        s.read_until(">")
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
