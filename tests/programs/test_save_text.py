#!/usr/bin/env python3
"""The text a snapshot holds: sections in order, the markers the reader
relies on, and "&x;" at the end; a second save appends a second snapshot;
reading the file in a fresh session gives the values back."""
import os
import subprocess
import sys
import tempfile

SESSION = """&(e = 1);
&(D = 5);
&(M = 'ok>');
&J t;
&J u;
&(P = t^2 - 2);
Func Inc(v, ^w) = {adds one} w := v + 1.
x := 3/4;
w := u*t + 1;
r := 1/(u + 1);
Array a[2,2];
[a] := [[1, 2, 3, 4]];
Array s[2,3] Sparse;
[s] := [[1, [2, 5]] [2, [3, u]]];
Array b[2];
[b] := [( u^2, 12345678901234 )];
&(S = 'g.sav');
&s;
"""

SNAPSHOT = """&(e = 1);
&(m = 1);
&(a = 1);
&(D = 5);
&(M = 'ok>');
&(u = 0);
    &(J = t);
 &(P = t^2 - 2);
    &(J = u);


;;** functions:

 Function Inc(v,^w) =  
    { adds one }
    w := v + 1.;

;;** scalars:
 r := ( 1 ) / ( u + 1 );
 w := &_n ( (t)u + 1 );
 x := 3 / 4;

;;**  arrays:

Array a[2,2];
[a] := [[ 1, 2,
          3, 4   ]];

Array b[2];
[b] := [( &_n ( u^2 ),
          12345678901234 
          )];

Array s[2,3] Sparse;
[s] := [ [ 1, [ 2, 5] ] 
         [ 2, [ 3, u] ] ];
 
&x;
"""

CHECKS = "x;\nw;\nr;\nt^2;\n[a];\n[b];\n[s];\nn := 1;\nInc(4, n);\nn;\n"


def run(tolmex, work, text):
    proc = subprocess.run([tolmex], input=text.encode(), capture_output=True, cwd=work,
                          timeout=60)
    if proc.returncode != 0:
        sys.exit("exit status %d" % proc.returncode)
    out = proc.stdout.decode()
    return out[out.index("initializing"):]


def main():
    tolmex = os.path.abspath(sys.argv[1])
    ok = True
    with tempfile.TemporaryDirectory() as work:
        before = run(tolmex, work, SESSION + CHECKS)
        with open(os.path.join(work, "g.sav")) as f:
            text = f.read()
        if text != SNAPSHOT:
            print("snapshot text differs:\n" + text)
            ok = False
        # A second save appends a whole snapshot.
        run(tolmex, work, SESSION + "y := 2;\n&s;\n")
        with open(os.path.join(work, "g.sav")) as f:
            text = f.read()
        if not (text.startswith(SNAPSHOT) and text.count("&x;\n") == 2 and " y := 2;" in text):
            print("the second snapshot was not appended:\n" + text)
            ok = False
        after = run(tolmex, work, "&(R = 'g.sav');\n" + CHECKS)
        # The values after reading are those of the session that saved.
        tail = lambda out: out[out.rindex("\n3 / 4"):]
        if tail(before) != tail(after):
            print("values differ after reading:\n--- before\n%s\n--- after\n%s" % (before, after))
            ok = False
        # A scalar hidden by a polynomial variable of its name is left out,
        # so that the file reads back.
        run(tolmex, work, "x := 4;\ny := 5;\n&J x;\n&(S = 'h.sav');\n&s;\n")
        after = run(tolmex, work, "&(R = 'h.sav');\ny;\n")
        if "Inappropriate" in after or "\n5\n" not in after:
            print("a hidden scalar broke the file:\n" + after)
            ok = False
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
