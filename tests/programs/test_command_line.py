#!/usr/bin/env python3
"""The command line: files read before the terminal, -e statements, -q batch
runs and their exit status, --help, --version, unusable arguments."""
import os
import subprocess
import sys
import tempfile

FAILURES = []


def run(tolmex, work, args, stdin=""):
    p = subprocess.run([tolmex] + args, input=stdin.encode(), capture_output=True, cwd=work,
                       timeout=60)
    return p.returncode, p.stdout.decode(), p.stderr.decode()


def expect(what, ok):
    if not ok:
        FAILURES.append(what)


def values(out):
    """The displayed values after start-up, prompts and empty lines left out."""
    body = out[out.index("initializing"):].split("\n")[3:]
    return [l for l in body if l.strip() not in ("", ">")]


def main():
    tolmex = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "lib.t"), "w") as f:
            f.write("x := 7;\nFunc Sq(a) = a*a.;\n")
        with open(os.path.join(work, "bad.t"), "w") as f:
            f.write("y := 1;\nz := y/0;\nw := 3;\n")

        rc, out, _ = run(tolmex, work, ["--version"])
        expect("--version", rc == 0 and out.startswith("Tolmex "))
        rc, out, _ = run(tolmex, work, ["--help"])
        expect("--help", rc == 0 and "Usage: tolmex" in out and "-q" in out)
        rc, out, err = run(tolmex, work, ["-x"])
        expect("unknown option", rc == 2 and "-x" in err and out == "")
        rc, out, err = run(tolmex, work, ["-e"])
        expect("-e without statements", rc == 2)

        # A file, then -e statements, then quit: status 0, in order.
        rc, out, _ = run(tolmex, work, ["-q", "lib.t", "-e", "Sq(x);", "-e", "2^10;"])
        expect("-q file -e: %d %s" % (rc, values(out)), rc == 0 and values(out) == ["49", "1024", " bye"])
        # Without -q the terminal (here a pipe) follows the arguments.
        rc, out, _ = run(tolmex, work, ["lib.t", "-e", "x := x + 1;"], "Sq(x);\n")
        expect("file then terminal: %s" % values(out), rc == 0 and values(out) == ["8", "64", " bye"])
        # The first error of a -q run ends it with status 1: w is never set.
        rc, out, _ = run(tolmex, work, ["-q", "bad.t", "-e", "w;"])
        expect("error in a -q file: %d" % rc, rc == 1 and "Division by zero" in out and "\n3\n" not in out)
        rc, out, _ = run(tolmex, work, ["-q", "-e", "undefined_v;", "-e", "5;"])
        expect("error in -q statements: %d" % rc, rc == 1 and "\n5\n" not in out)
        rc, out, _ = run(tolmex, work, ["-q", "missing.t"])
        expect("missing file: %d" % rc, rc == 1 and "no such file" in out)
        # Without -q errors are reported and the session goes on.
        rc, out, _ = run(tolmex, work, ["bad.t"], "y;\n")
        expect("error without -q: %d" % rc, rc == 0 and values(out)[-2:] == ["1", " bye"])
        # -q with nothing else ends at once.
        rc, out, _ = run(tolmex, work, ["-q"], "7;\n")
        expect("bare -q", rc == 0 and "\n7\n" not in out)
    for f in FAILURES:
        print("FAILED:", f)
    sys.exit(1 if FAILURES else 0)


if __name__ == "__main__":
    main()
