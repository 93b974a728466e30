#!/usr/bin/env python3
"""Save and read files that cannot be used: a directory that does not exist,
a parent that is a regular file (which stops root as well), a place where no
file can be made, a directory as the file name, a missing input file. Each
ends in its warning and numbered error, nothing is created, a named pipe
or a device is not read (no hang), and the session goes on with its values."""
import os
import sys

from faultrun import Work, check, run

CANNOT_WRITE = "*** The save file cannot be written."
SAVES = [("&s 'nodir/out';", "nodir/out: No such file or directory. Save cancelled."),
         ("&s 'plain/out';", "plain/out: Not a directory. Save cancelled."),
         ("&s adir", "adir: Is a directory. Save cancelled."),
         ("&(S = 'adir/')", "adir/: Is a directory. Save cancelled."),
         ("&s '/proc/tolmex_save';", "/proc/tolmex_save: ")]
READS = [("&r 'missing';", "missing"), ("&r adir", "adir"), ("&(R = 'adir')", "adir"),
         ("&(R = 'plain/x')", "plain/x"), ("&r 'fifo';", "fifo"), ("&r '/dev/zero';", "/dev/zero")]


def main():
    tolmex = sys.argv[1]
    work = Work()
    try:
        work.write("plain", "a := 1;\n")
        os.mkdir(work.file("adir"))
        os.mkfifo(work.file("fifo"))  # opening it to read would wait for a writer
        statements = ["a := 3:"] + [s for s, _ in SAVES] + [r for r, _ in READS]
        out = run(tolmex, work, "\n".join(statements + ["a + 4", "&q", ""]))
        for statement, warning in SAVES:
            check(" *** Warning. " + warning in out, "no warning for " + statement, out)
        check(out.count(CANNOT_WRITE) == len(SAVES), "error 368 not raised each time", out)
        for statement, name in READS:
            check(" *** Warning. %s: no such file. Read cancelled.\n" % name in out,
                  "no warning for " + statement, out)
        check("\n7\n" in out, "the session did not go on", out)
        check(work.names() == ["adir", "fifo", "plain"] and os.listdir(work.file("adir")) == [],
              "files were made: %r" % work.names())
        check(work.read("plain") == b"a := 1;\n", "the regular file changed")
    finally:
        work.close()


if __name__ == "__main__":
    main()
