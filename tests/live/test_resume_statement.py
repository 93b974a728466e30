#!/usr/bin/env python3
"""An interrupt in the middle of a statement, then "&_p": the statement goes
on exactly where it stopped, with the rest of its own line, while the level
in between read lines of its own. Lines typed ahead after "&_p" wait for the
statement to end. Cancelling or replacing the variables of the interrupted
statement at the nested level is safe: the assignment re-creates its
target, and the operands already read keep their values."""
import sys

from session import Session

P = 32003


def shown(v):
    """A residue as displayed: -m .. n with n = P div 2."""
    r = v % P
    return r - P if r > P // 2 else r


def main():
    q1 = 5 ** 18
    expected = str(shown(q1 * (q1 + 1) * 2))
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send("&(p = %d)\n&J x\n&J y\n&J z\n&J t\nq := (1+x+y+z+t)^18:\n" % P)
        for _ in range(6):
            s.read_until(">")
        s.interrupt_running("k := q*(q+1)*2:\n", "product")
        # The level reads its own lines: the rest of the interrupted line
        # ("2:") is not taken for a statement here.
        s.send("5 + 6\n")
        s.read_until("\n11\n")
        s.read_until("2>")
        s.send("@k\n")
        s.read_until("2>")
        s.send("q := 5:\n")
        s.read_until("2>")
        # "&_p" and a line typed ahead, in one go.
        s.send("&_p\nw := 7 + 1\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until("\n8\n")  # w, after the resumed statement ended silently
        s.read_until(">")
        s.send("k#(1,1,1,1)\n")
        s.read_until("\n%s\n" % expected)
        s.read_until(">")
        s.send("q\n")
        s.read_until("\n5\n")
        s.read_until(">")
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
