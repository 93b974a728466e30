#!/usr/bin/env python3
"""Reading damaged save files. A varied session is saved, and the file is
cut at every statement boundary and inside the statements; each cut file is
read in a fresh session. The reading must end, the values whose statements
were complete must be exactly those of the whole file, a cut inside a
statement must be reported (an error, or the end-of-file warning) and a
cut at a boundary must not. Files of garbage bytes must end the same way."""
import random
import re
import sys

from faultrun import Work, check, run

SESSION = """&J x
&J y
&J t
&(P = t^2 + 1)
a := 5:
big := 3^200:
q := 7/11:
p := (1+x+y)^4:
r := (x+1)/(y-2):
z := t + 1:
Func F(u, ^v) = v := u*2; if u < 2 then 1 else u * F(u - 1, v) fi.
Func Count(n) = {count down} c := 0; while n > 0 do if [n > 5] or [n = 3] then c :+ 2 else {small ones} c :+ 1 fi; n := n - 1 od; c.
Func Say(k) = for i = 1, k do Write('hi  there', i) od.
Array b[2,3], s[5,5] Sparse, d[2]
b[1,2] := 3:
b[2,3] := -7:
s[2,3] := x + 1:
s[4,1] := 7:
d[1] := p:
d[2] := 2^100:
&s 'snap';
&s
&q
"""

# What is displayed after reading, and the text that begins the statement
# of the file that defines it.
PROBES = [("a", " a := "), ("big", " big := "), ("q", " q := "), ("p", " p := "),
          ("r", " r := "), ("z", " z := "), ("F(3, w)", " Function F("),
          ("Count(7)", " Function Count("), ("[b]", "[b] := "), ("[s]", "[s] := "),
          ("[d]", "[d] := ")]
SENTINEL = 7770000
REPORTS = ("Error occurred at this point", "Stopped right before this",
           "End of file cut encountered")


def probe_script():
    lines = ["&r 'cut';"]
    for i, (expr, _) in enumerate(PROBES):
        lines += [expr, str(SENTINEL + i)]
    return "\n".join(lines + ["&q", ""])


def displays(out):
    """The display of each probe, cut out between the sentinels."""
    shown, rest = [], out
    for i in range(len(PROBES)):
        head, sep, rest = rest.partition("\n%d\n" % (SENTINEL + i))
        check(sep, "sentinel %d missing" % i, out)
        shown.append(head[head.rfind("\n>") :] if i else head[head.rfind(">") :])
    return shown


def statement_spans(text):
    """(start, end) in the file of each probe's statement."""
    spans = []
    for _, begins in PROBES:
        start = text.index(begins)
        spans.append((start, text.index(";\n", start) + 2))
    return spans


def cut_points(text, spans):
    """Statement boundaries (after each line ending its statement, the lines
    of function bodies aside) and points inside the statements of the probes."""
    bodies = [(m.start(), text.index(".;\n", m.start())) for m in re.finditer(" Function ", text)]
    boundaries, pos = set(), 0
    for line in text.splitlines(keepends=True):
        pos += len(line)
        if line.rstrip().endswith(";") and not any(b < pos <= e for b, e in bodies):
            boundaries.add(pos)
    inside = set()
    for start, end in spans:
        inside |= {start + 2, text.index(":=", start) + 3, (start + end) // 2, end - 3, end - 2}
    return sorted(boundaries), sorted(inside - boundaries)


def read_cut(tolmex, data):
    work = Work()
    try:
        work.write("cut", data)
        return run(tolmex, work, probe_script(), timeout=30)
    finally:
        work.close()


def check_cut(tolmex, text, spans, reference, n, at_boundary):
    out = read_cut(tolmex, text[:n].encode())
    shown = displays(out)
    asked = out.index("Enter name of input file: \n>") + 30
    reading = out[asked : out.index("\n>", asked)]
    reported = any(r in reading for r in REPORTS)
    where = "cut at %d (%s)" % (n, "boundary" if at_boundary else "inside a statement")
    check(reported != at_boundary, where + ": a cut inside must be reported, a boundary not", out)
    for (expr, _), (start, end), want, got in zip(PROBES, spans, reference, shown):
        if end <= n:
            check(got == want, "%s: %s is %r, whole file gives %r" % (where, expr, got, want), out)


def garbage_files(seed):
    rng = random.Random(seed)
    alphabet = b"abxyzFJ0123456789 \n\t;:=+-*/^()[]{}'&@.,!`_\x00\x7f\xc2\xa5\xff"
    files = [b"Func G(x) = if x then", b"'open quote", b"{ open comment", b"a := ((((((",
             b"[b] := [[ 1, 2", b"\x00\x00\x00", b"&(R = 'cut');", b"&r;\n", b"Array m[2",
             b"&(J = ", b"&(P = t^2", b" big := 12 34 56", b"while 1 do", b"&(M = 'x"]
    for _ in range(30):
        files.append(bytes(rng.choice(alphabet) for _ in range(rng.randint(1, 300))))
    return files


def main():
    tolmex = sys.argv[1]
    work = Work()
    try:
        run(tolmex, work, SESSION)
        text = work.read("snap").decode()
    finally:
        work.close()
    check(text.endswith("&x;\n"), "the snapshot does not end with &x:\n" + text)
    spans = statement_spans(text)
    reference = displays(read_cut(tolmex, text.encode()))
    check("hi  there" not in "".join(reference) and "Undefined" not in "".join(reference),
          "the whole file does not read back:\n" + "\n".join(reference))
    boundaries, inside = cut_points(text, spans)
    for n in boundaries:
        check_cut(tolmex, text, spans, reference, n, True)
    for n in inside:
        check_cut(tolmex, text, spans, reference, n, False)
    seed = random.randrange(1 << 30)
    print("garbage seed", seed)
    for data in garbage_files(seed):
        out = read_cut(tolmex, data)
        displays(out)  # every statement after the read still runs
    print("%d boundaries, %d cuts inside statements" % (len(boundaries), len(inside)))


if __name__ == "__main__":
    main()
