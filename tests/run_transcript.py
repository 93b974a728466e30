#!/usr/bin/env python3
"""Runs one transcript test: feeds NAME.in to tolmex on standard input and
compares standard output with NAME.out.

The working directory is a fresh temporary directory; NAME.tolstart, when it
exists, is copied there as tolstart.txt, and the files of the directory
NAME.files, when it exists, are copied there too (files a script reads). The banner, the data-directory line,
the date line and timing lines are replaced by fixed markers before the
comparison. When NAME.err exists, standard error must equal it as well.
"""
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile

DATE = re.compile(r"^ (Mon|Tue|Wed|Thu|Fri|Sat|Sun) \w{3} [ \d]\d \d\d:\d\d:\d\d \d{4}$")
TIMING = re.compile(r"^ Elapsed (CPU|real) time: .*$")
DATADIR = re.compile(r"^Reading initialization data from directory .*$")
BANNER = re.compile(r"^Tolmex \S+, exact computer algebra, for .*\.$")


def normalise(text):
    out = []
    for line in text.split("\n"):
        if BANNER.match(line):
            line = "<banner>"
        elif DATADIR.match(line):
            line = "Reading initialization data from directory <dir>"
        elif DATE.match(line):
            line = " <date>"
        elif TIMING.match(line):
            line = " <timing>"
        out.append(line)
    return "\n".join(out)


def compare(kind, expected, actual):
    if expected == actual:
        return True
    sys.stdout.write("--- %s differs (expected vs actual):\n" % kind)
    sys.stdout.writelines(difflib.unified_diff(
        expected.splitlines(True), actual.splitlines(True), "expected", "actual"))
    sys.stdout.write("\n")
    return False


def main():
    tolmex, script = os.path.abspath(sys.argv[1]), sys.argv[2]
    base = os.path.splitext(script)[0]
    with tempfile.TemporaryDirectory() as work:
        if os.path.exists(base + ".tolstart"):
            shutil.copy(base + ".tolstart", os.path.join(work, "tolstart.txt"))
        if os.path.isdir(base + ".files"):
            for name in os.listdir(base + ".files"):
                shutil.copy(os.path.join(base + ".files", name), work)
        with open(script, "rb") as stdin:
            proc = subprocess.run([tolmex], stdin=stdin, capture_output=True,
                                  cwd=work, timeout=110)
    out = normalise(proc.stdout.decode("utf-8", "replace"))
    ok = True
    with open(base + ".out", encoding="utf-8") as f:
        ok &= compare("stdout", f.read(), out)
    if os.path.exists(base + ".err"):
        with open(base + ".err", encoding="utf-8") as f:
            ok &= compare("stderr", f.read(), proc.stderr.decode("utf-8", "replace"))
    if proc.returncode != 0:
        sys.stdout.write("exit status %d\n" % proc.returncode)
        ok = False
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
