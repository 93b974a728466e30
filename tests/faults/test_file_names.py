#!/usr/bin/env python3
"""Save and read files that cannot be used: a directory that does not exist,
a parent that is a regular file (which stops root as well), a place where no
file can be made, a directory as the file name, a missing input file. Each
ends in its warning and numbered error, nothing is created, and the session
goes on with its values. A named pipe nobody writes to reads as empty (no
hang in the open), one with a writer is read, and so is an endless device
until its first error."""
import os
import sys
import threading

from faultrun import Work, check, run

CANNOT_WRITE = "*** The save file cannot be written."
SAVES = [("&s 'nodir/out';", "nodir/out: No such file or directory. Save cancelled."),
         ("&s 'plain/out';", "plain/out: Not a directory. Save cancelled."),
         ("&s adir", "adir: Is a directory. Save cancelled."),
         ("&(S = 'adir/')", "adir/: Is a directory. Save cancelled."),
         ("&s '/proc/tolmex_save';", "/proc/tolmex_save: ")]
READS = [("&r 'missing';", "missing"), ("&r adir", "adir"), ("&(R = 'adir')", "adir"),
         ("&(R = 'plain/x')", "plain/x")]


def write_pipe(path):
    with open(path, "w") as f:  # waits for the reader
        f.write("b := 41;\n")


def main():
    tolmex = sys.argv[1]
    work = Work()
    try:
        work.write("plain", "a := 1;\n")
        os.mkdir(work.file("adir"))
        os.mkfifo(work.file("fifo"))  # opening it to read must not wait for a writer
        os.mkfifo(work.file("fed"))
        # Nobody writes to the first pipe; the second gets a statement.
        threading.Thread(target=write_pipe, args=(work.file("fed"),), daemon=True).start()
        statements = (["a := 3:"] + [s for s, _ in SAVES] + [r for r, _ in READS]
                      + ["&(R = 'fifo')", "&(R = 'fed')", "&(R = '/dev/zero')", "b + 1"])
        out = run(tolmex, work, "\n".join(statements + ["a + 4", "&q", ""]))
        for statement, warning in SAVES:
            check(" *** Warning. " + warning in out, "no warning for " + statement, out)
        check(out.count(CANNOT_WRITE) == len(SAVES), "error 368 not raised each time", out)
        for statement, name in READS:
            check(" *** Warning. %s: no such file. Read cancelled.\n" % name in out,
                  "no warning for " + statement, out)
        check("*** Warning.  End of file fifo encountered.\n" in out, "the idle pipe was read", out)
        check("\n42\n" in out, "the pipe with a writer was not read", out)
        check("\n7\n" in out, "the session did not go on", out)
        check(work.names() == ["adir", "fed", "fifo", "plain"] and os.listdir(work.file("adir")) == [],
              "files were made: %r" % work.names())
        check(work.read("plain") == b"a := 1;\n", "the regular file changed")
    finally:
        work.close()


if __name__ == "__main__":
    main()
