#!/usr/bin/env python3
"""Statements nested deeper than the stack allows (a definition of if inside
if, a control statement typed at the prompt, a function that calls itself
without end) end in the numbered error for nesting too deep, never in a
signal; the session goes on with its variables, and a function nested as
deep as the stack does allow is defined, run, compiled and listed.
"""
import subprocess
import sys
import tempfile


def run(exe, text):
    with tempfile.TemporaryDirectory() as work:
        proc = subprocess.run([exe], input=text.encode(), capture_output=True, cwd=work, timeout=240)
    return proc.returncode, proc.stdout.decode("utf-8", "replace")


def nested(n, inner="5"):
    return "if 1 = 1 then " * n + inner + " fi" * n


def main():
    exe = sys.argv[1]
    failures = 0
    deep = 200000
    script = "\n".join([
        "x := 7:",
        "Func D = %s." % nested(deep),
        nested(deep),
        "Func R(n) = R(n + 1).",
        "R(1)",
        "Func S = %s." % nested(1000),
        "S",
        "Compile S",
        "x",
        "&q",
    ]) + "\n"
    rc, out = run(exe, script)
    too_deep = out.count("*** Nested too deeply for the stack")
    checks = [
        (rc == 0, "tolmex ended with status %d" % rc),
        (too_deep == 3, "%d nesting errors instead of 3" % too_deep),
        (out.count("\n5\n") == 2, "the function nested 1000 deep did not give 5 twice"),
        ("\n7\n" in out, "x lost its value"),
    ]
    for ok, what in checks:
        if not ok:
            failures += 1
            sys.stdout.write("FAILED: %s\n" % what)
    if failures:
        sys.stdout.write("--- output (ends):\n%s\n" % out[-3000:])
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
