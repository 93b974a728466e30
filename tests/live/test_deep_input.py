#!/usr/bin/env python3
"""Input nested far more deeply than the stack can follow ends in a
numbered error, for every reader that recurses on what the user types, at
the top level and at a nested level where errors push levels (no level is
opened that deep: the statement is abandoned and the level goes on); the
session and its variables survive. Moderate nesting is read as usual."""
import sys

from session import Session

N = 100000
TOO_DEEP = "*** Nested too deeply for the stack; simplify the expression.\n"


def main():
    deep = [
        "(" * N + "1" + ")" * N,
        "2" + "^2" * N,
        "-" * N + "1",
        "|" * N + "1" + "|" * N,
        "y := " + "_" * N + "1",
        "$" * N + "1",
        "2^(" * N + "1" + ")" * N,
        "&_n " + "(" * N + "x" + ")" * N,
    ]
    M = 300
    moderate = [
        ("(" * M + "7" + ")" * M, "\n7\n"),
        ("-" * (M + 1) + "7", "\n-7\n"),
        ("|" * M + "-7" + "|" * M, "\n7\n"),
        ("2" + "^1" * M, "\n2\n"),
        ("&_n " + "(" * M + "x + 1" + ")" * M, "\nx + 1\n"),
    ]
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send("&J x\nv := 5:\n")
        s.read_until(">")
        s.read_until(">")
        for line in deep:
            s.send(line + "\n")
            s.read_until(TOO_DEEP)
            s.read_until(">")
            s.send("v\n")
            s.read_until("\n5\n")
            s.read_until(">")
        for line, value in moderate:
            s.send(line + "\n")
            s.read_until(value)
            s.read_until(">")
        s.send("&e\n&_P\n")
        s.read_until("2>")
        s.send("y := " + "(" * N + "1" + ")" * N + "\n")
        seen = s.read_until(TOO_DEEP)
        seen += s.read_until("2>")
        assert "3>" not in seen, seen
        s.send("v + 1\n")
        s.read_until("\n6\n")
        s.read_until("2>")
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until(">")
        s.send("v\n")
        s.read_until("\n5\n")
        s.read_until(">")
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
