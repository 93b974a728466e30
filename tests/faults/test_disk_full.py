#!/usr/bin/env python3
"""A full disk, made by a file-size limit: the second, larger snapshot
cannot be written. The save ends in its warning and error 368, the earlier
save stays byte for byte with no temporary file beside it, the session goes
on with its values, and a later, smaller save appends as usual."""
import sys

from faultrun import Work, check, run

START = "&J x\na := 5:\n&s 'snap';\n&s\n"
LIMIT = 64 * 1024


def main():
    tolmex = sys.argv[1]
    work = Work()
    try:
        run(tolmex, work, START + "&q\n")
        first = work.read("snap")
    finally:
        work.close()
    check(first.endswith(b"&x;\n") and len(first) < LIMIT // 4, "unexpected first snapshot")
    work = Work()
    try:
        statements = START + ("p := (1+x)^1000:\n&s\n"
                              "a + 1\np - (1+x)^1000\n"
                              "p := 2:\n&s\n&q\n")
        out = run(tolmex, work, statements, fsize=LIMIT)
        check(" *** Warning. snap: File too large. The file was not changed.\n" in out,
              "no warning of the full disk", out)
        check(out.count("*** The save file cannot be written.") == 1, "error 368 missing", out)
        check("\n6\n" in out and "\n0\n" in out, "the values did not survive", out)
        both = work.read("snap")
        check(both.startswith(first), "the earlier snapshot changed:\n%r" % both[:400])
        second = both[len(first):].decode()
        check(second.count("&x;") == 1 and second.endswith("&x;\n") and " p := 2;" in second,
              "the later save is not one whole snapshot:\n" + second)
        check(work.names() == ["snap"], "left behind: %r" % work.names())
    finally:
        work.close()


if __name__ == "__main__":
    main()
