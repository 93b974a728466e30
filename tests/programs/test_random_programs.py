#!/usr/bin/env python3
"""Random small programs in the Tolmex language, checked three ways.

Each program defines a few user functions (value and "^" reference
parameters, if/else, while and for loops with bounded counts, early exits
"&}", "&>" and "&]", calls of the functions defined before it and one
recursive function) and runs a few main statements, then displays its
global variables. A model here runs the same program and gives the
expected values. The programs run in one tolmex process three times:

  plain     the calls as written; the displayed globals must be the model's;
  compiled  calls of a random subset of the functions written
            "Compile F(...)" (their linked bodies run from then on); the
            output must equal the plain run's;
  nested    the main statements typed at a command level pushed with
            "&_P" and popped with "&_p" afterwards; apart from the prompts
            and the level messages the output must equal the plain run's.

The seed comes from TOLMEX_SEED or the clock and is printed first; a
failure prints the program's text. Usage: test_random_programs.py TOLMEX
[COUNT]."""
import os
import random
import re
import subprocess
import sys
import tempfile
import time

GLOBALS = ["ga", "gb", "gc", "gd"]
FUNC_LETTERS = "abcdef"
LIMIT = 10 ** 30  # values stay far below the width of a display line
MAX_STEPS = 4000  # statements the model runs per program before it gives up
START, END = 7777700000, 7777800000  # displayed markers around each program


class Rejected(Exception):
    """The model ran too long or made too large a value: draw again."""


class Exit(Exception):  # "&}"
    pass


class Leave(Exception):  # "&>"
    pass


class Cycle(Exception):  # "&]"
    pass


# --- generation -----------------------------------------------------------
# Expressions: ("lit", n) ("var", name) ("paren", e) ("call", f, args)
# ("add"|"sub", e, term) ("mul", term, factor); args are ("val", e) or
# ("ref", name). Conditions: ("or", [conj]) ("and", [neg]) ("not", neg)
# ("grp", cond) ("cmp", op, e1, e2) ("bare", e). Statements: ("assign",
# name, e) ("incr", name, sign, k) ("expr", e) ("if", cond, then, else)
# ("while", counter, bound, body) ("for", var, start, end, step, style,
# body) ("exit",) ("leave",) ("cycle",).


class Scope:
    """What a statement being generated may use."""

    def __init__(self, func, readable, writable, callable_, loops=0, depth=0):
        self.func = func  # the function's letter, or "m" for the main statements
        self.readable = readable
        self.writable = writable
        self.callable = callable_  # [(name, params)] of the functions it may call
        self.loops = loops
        self.depth = depth

    def inner(self, extra=None, loop=False):
        return Scope(self.func, self.readable + ([extra] if extra else []), self.writable,
                     self.callable, self.loops + (1 if loop else 0), self.depth + 1)


class Generator:
    def __init__(self, rnd):
        self.r = rnd

    def factor(self, sc, calls):
        r = self.r.random()
        if calls and sc.callable and r < 0.25:
            return self.call(sc)
        if r < 0.45:
            return ("lit", self.r.randint(0, 9))
        if r < 0.9 or sc.depth > 3:
            return ("var", self.r.choice(sc.readable))
        return ("paren", self.expr(sc.inner(), False))

    def term(self, sc, calls):
        t = self.factor(sc, calls)
        if self.r.random() < 0.25:
            t = ("mul", t, ("lit", self.r.randint(0, 3)))
        return t

    def expr(self, sc, calls=False):
        e = self.term(sc, calls)
        for _ in range(self.r.randint(0, 2)):
            e = (self.r.choice(("add", "sub")), e, self.term(sc, False))
        return e

    def call(self, sc):
        name, params = self.r.choice(sc.callable)
        refs = [n for n in sc.writable]
        self.r.shuffle(refs)
        args = []
        for byref in params:
            if byref:
                args.append(("ref", refs.pop()))
            else:
                args.append(("val", self.expr(sc.inner())))
        # Trailing value parameters may be left out: they are bound to 0.
        while args and args[-1][0] == "val" and self.r.random() < 0.15:
            args.pop()
        return ("call", name, args)

    def comparison(self, sc):
        if self.r.random() < 0.08:
            return ("bare", self.expr(sc))
        op = self.r.choice(("=", "<", ">", "<=", ">=", "<>"))
        return ("cmp", op, self.expr(sc), self.expr(sc))

    def negation(self, sc, depth):
        r = self.r.random()
        if r < 0.15 and depth < 2:
            return ("not", self.negation(sc, depth + 1))
        if r < 0.3 and depth < 2:
            return ("grp", self.condition(sc, depth + 1))
        return self.comparison(sc)

    def condition(self, sc, depth=0):
        conjs = []
        for _ in range(self.r.choice((1, 1, 1, 2)) if depth < 2 else 1):
            conjs.append(("and", [self.negation(sc, depth)
                                  for _ in range(self.r.choice((1, 1, 2)))]))
        return ("or", conjs)

    def exit_statement(self, sc):
        kinds = []
        if sc.func != "m":
            kinds.append(("exit",))
        if sc.loops:
            kinds += [("leave",), ("cycle",)]
        return self.r.choice(kinds) if kinds else None

    def statement(self, sc):
        r = self.r.random()
        deep = sc.depth >= 3
        if r < 0.3 or (deep and r < 0.7):
            return ("assign", self.r.choice(sc.writable), self.expr(sc, calls=True))
        if r < 0.38:
            return ("incr", self.r.choice(sc.writable), self.r.choice("+-"), self.r.randint(1, 9))
        if r < 0.45 and sc.callable:
            return ("expr", self.call(sc))
        if deep:
            return ("expr", self.expr(sc))
        if r < 0.62:
            inner = sc.inner()
            other = self.block(inner) if self.r.random() < 0.5 else None
            early = self.exit_statement(sc)
            if early and self.r.random() < 0.45:
                return ("if", self.condition(sc), [early], other)
            then = self.block(inner)
            return ("if", self.condition(sc), then, other)
        if r < 0.8:
            counter = "k%s%d" % (sc.func, sc.depth)
            return ("while", counter, self.r.randint(0, 4), self.block(sc.inner(counter, True)))
        var = "i%s%d" % (sc.func, sc.depth)
        a = self.r.randint(-3, 5)
        n = self.r.randint(0, 4)
        step = self.r.choice((1, 1, 2, -1, -2))
        end = a + (n - 1) * step if n else a - step
        style = self.r.choice(("comma", "comma", "assign", "words"))
        return ("for", var, a, end, step, style, self.block(sc.inner(var, True)))

    def block(self, sc):
        return [self.statement(sc) for _ in range(self.r.randint(1, 3))]

    def function(self, index, callable_):
        letter = FUNC_LETTERS[index]
        count = self.r.randint(1, 3)
        names = ["%s%s" % (p, letter) for p in "xyz"[:count]]
        params = [self.r.random() < 0.4 for _ in names]
        sc = Scope(letter, names + GLOBALS, names + GLOBALS, callable_)
        body = self.block(sc)
        final = ("expr", self.expr(sc))
        return ("func", "P" + letter, list(zip(names, params)), body + [final])

    def recursive(self, index, callable_):
        """R(n, ^acc): if n > 0 then ...; R(n - 1, acc) fi; acc + n."""
        letter = FUNC_LETTERS[index]
        name = "R" + letter
        n, acc = "n" + letter, "acc" + letter
        sc = Scope(letter, [n, acc] + GLOBALS, [acc] + GLOBALS, callable_, depth=1)
        work = self.block(sc)
        again = ("expr", ("call", name, [("val", ("sub", ("var", n), ("lit", 1))), ("ref", acc)]))
        cond = ("or", [("and", [("cmp", ">", ("var", n), ("lit", 0))])])
        body = [("if", cond, work + [again], None),
                ("expr", ("add", ("var", acc), ("var", n)))]
        return ("func", name, [(n, False), (acc, True)], body)

    def program(self):
        funcs, callable_ = [], []
        for i in range(self.r.randint(1, 3)):
            f = self.function(i, list(callable_))
            funcs.append(f)
            callable_.append((f[1], [p[1] for p in f[2]]))
        if self.r.random() < 0.5:
            f = self.recursive(len(funcs), list(callable_))
            funcs.append(f)
            # Called with a small depth only: the main statements pass a literal.
            callable_main = callable_ + [(f[1], None)]
        else:
            callable_main = callable_
        sc = Scope("m", list(GLOBALS), list(GLOBALS), callable_, depth=0)
        init = [("assign", g, ("lit", self.r.randint(-5, 9))) for g in GLOBALS]
        main = []
        for _ in range(self.r.randint(2, 5)):
            name, params = self.r.choice(callable_main)
            if params is None:
                ref = self.r.choice(GLOBALS)
                main.append(("expr", ("call", name, [("val", ("lit", self.r.randint(0, 4))),
                                                    ("ref", ref)])))
            elif self.r.random() < 0.5:
                main.append(("expr", self.call_of(sc, name, params)))
            else:
                main.append(self.statement(sc))
        return funcs, init + main

    def call_of(self, sc, name, params):
        sub = Scope(sc.func, sc.readable, sc.writable, [(name, params)], sc.loops, sc.depth)
        return self.call(sub)


# --- the text ---------------------------------------------------------------


class Writer:
    def __init__(self, compiled=frozenset(), rnd=None):
        self.compiled = compiled  # names of the functions called through Compile
        self.r = rnd or random.Random(0)

    def expr(self, e):
        k = e[0]
        if k == "lit":
            return str(e[1])
        if k == "var":
            return e[1]
        if k == "paren":
            return "(" + self.expr(e[1]) + ")"
        if k == "call":
            # A reference argument is a plain variable name ("^" marks the parameter).
            args = ", ".join(a[1] if a[0] == "ref" else self.expr(a[1]) for a in e[2])
            head = ("Compile " if e[1] in self.compiled else "") + e[1]
            return "%s(%s)" % (head, args)
        if k == "mul":
            return self.expr(e[1]) + "*" + self.expr(e[2])
        return self.expr(e[1]) + (" + " if k == "add" else " - ") + self.expr(e[2])

    def cond(self, c):
        k = c[0]
        if k == "or":
            return " or ".join(self.cond(x) for x in c[1])
        if k == "and":
            return " and ".join(self.cond(x) for x in c[1])
        if k == "not":
            return "not " + self.cond(c[1])
        if k == "grp":
            return "[" + self.cond(c[1]) + "]"
        if k == "bare":
            return "[" + self.expr(c[1]) + "]"
        return "%s %s %s" % (self.expr(c[2]), c[1], self.expr(c[3]))

    def block(self, stmts):
        return "; ".join(self.stmt(s) for s in stmts)

    def stmt(self, s):
        k = s[0]
        if k == "assign":
            return "%s := %s" % (s[1], self.expr(s[2]))
        if k == "incr":
            return "%s :%s %d" % (s[1], s[2], s[3])
        if k == "expr":
            return self.expr(s[1])
        if k == "if":
            text = "if %s then %s" % (self.cond(s[1]), self.block(s[2]))
            if s[3] is not None:
                text += " else " + self.block(s[3])
            return text + " fi"
        if k == "while":
            return "%s := 0; while %s < %d do %s := %s + 1; %s od" % (
                s[1], s[1], s[2], s[1], s[1], self.block(s[3]))
        if k == "for":
            _, var, a, end, step, style, body = s
            if style == "words":
                head = "%s from %d to %d by %d" % (var, a, end, step)
            else:
                eq = ":=" if style == "assign" else "="
                head = "%s %s %d, %d" % (var, eq, a, end)
                if step != 1:
                    head += ", %d" % step
            return "for %s do %s od" % (head, self.block(body))
        return {"exit": "&}", "leave": "&>", "cycle": "&]"}[k]

    def function(self, f):
        _, name, params, body = f
        sep = self.r.choice((", ", "; "))
        plist = sep.join(("^" if byref else "") + p for p, byref in params)
        stmts = [self.stmt(s) for s in body]
        glue = self.r.choice(("; ", ";\n  "))
        end = self.r.choice((".", "; ."))
        return "Func %s(%s) = %s%s\n" % (name, plist, glue.join(stmts), end)


# --- the model ----------------------------------------------------------------


class Model:
    def __init__(self, funcs):
        self.funcs = {f[1]: f for f in funcs}
        self.globals = {}
        self.frames = []  # the parameters of the calls in progress, innermost last
        self.steps = 0

    def cell(self, name):
        """The dictionary that holds name: the innermost parameter, else a global."""
        for frame in reversed(self.frames):
            if name in frame:
                return frame
        return self.globals

    def get(self, name):
        return self.cell(name)[name]

    def put(self, name, v):
        if abs(v) >= LIMIT:
            raise Rejected()
        self.cell(name)[name] = v

    def expr(self, e):
        k = e[0]
        if k == "lit":
            return e[1]
        if k == "var":
            return self.get(e[1])
        if k == "paren":
            return self.expr(e[1])
        if k == "call":
            return self.call(e[1], e[2])
        a, b = self.expr(e[1]), self.expr(e[2])
        v = a * b if k == "mul" else a + b if k == "add" else a - b
        if abs(v) >= LIMIT:
            raise Rejected()
        return v

    def cond(self, c):
        k = c[0]
        if k in ("or", "and"):
            values = [self.cond(x) for x in c[1]]  # no short cut
            return any(values) if k == "or" else all(values)
        if k == "not":
            return not self.cond(c[1])
        if k == "grp":
            return self.cond(c[1])
        if k == "bare":
            return self.expr(c[1]) == 1
        a, b = self.expr(c[2]), self.expr(c[3])
        return {"=": a == b, "<": a < b, ">": a > b, "<=": a <= b, ">=": a >= b,
                "<>": a != b}[c[1]]

    def call(self, name, args):
        _, _, params, body = self.funcs[name]
        frame, refs = {}, []
        for i, (p, byref) in enumerate(params):
            if i >= len(args):
                frame[p] = 0
            elif byref:
                frame[p] = self.get(args[i][1])
                refs.append((p, args[i][1], self.cell(args[i][1])))
            else:
                frame[p] = self.expr(args[i][1])
        self.frames.append(frame)
        last = [None]
        try:
            self.block(body, last)
        except Exit:
            pass
        finally:
            self.frames.pop()
        for p, name_, home in refs:
            home[name_] = frame[p]
        if last[0] is None:
            raise AssertionError("generated function %s ends without a value" % name)
        return last[0]

    def block(self, stmts, last):
        for s in stmts:
            self.stmt(s, last)

    def stmt(self, s, last):
        self.steps += 1
        if self.steps > MAX_STEPS:
            raise Rejected()
        k = s[0]
        if k == "assign":
            v = self.expr(s[2])
            self.put(s[1], v)
            last[0] = v
        elif k == "incr":
            v = self.get(s[1]) + (s[3] if s[2] == "+" else -s[3])
            self.put(s[1], v)
            last[0] = v
        elif k == "expr":
            last[0] = self.expr(s[1])
        elif k == "if":
            if self.cond(s[1]):
                self.block(s[2], last)
            elif s[3] is not None:
                self.block(s[3], last)
        elif k == "while":
            self.put(s[1], 0)
            last[0] = 0
            while self.get(s[1]) < s[2]:
                self.steps += 1
                self.put(s[1], self.get(s[1]) + 1)
                last[0] = self.get(s[1])
                if not self.loop_pass(s[3], last):
                    break
        elif k == "for":
            _, var, a, end, step, _, body = s
            i = a
            while (i <= end) if step > 0 else (i >= end):
                self.put(var, i)
                if not self.loop_pass(body, last):
                    break
                i += step
        else:
            last[0] = 0
            raise {"exit": Exit, "leave": Leave, "cycle": Cycle}[k]()

    def loop_pass(self, body, last):
        try:
            self.block(body, last)
        except Leave:
            return False
        except Cycle:
            pass
        return True

    def run(self, main):
        last = [None]
        for s in main:
            self.stmt(s, last)
        return [self.globals[g] for g in GLOBALS]


# --- the runs ---------------------------------------------------------------


def make_programs(seed, count):
    rnd = random.Random(seed)
    out = []
    while len(out) < count:
        funcs, main = Generator(rnd).program()
        try:
            expected = Model(funcs).run(main)
        except Rejected:
            continue
        compiled = frozenset(f[1] for f in funcs if rnd.random() < 0.7)
        out.append((funcs, main, expected, compiled, rnd.randint(0, 1 << 30)))
    return out


def script(programs, mode):
    parts = []
    for k, (funcs, main, _, compiled, layout) in enumerate(programs):
        w = Writer(compiled if mode == "compiled" else frozenset(), random.Random(layout))
        parts.append("%d\n" % (START + k))
        parts += [w.function(f) for f in funcs]
        if mode == "nested":
            parts.append("&_P\n")
        parts += ["%s:\n" % w.stmt(s) for s in main]
        parts.append("%d\n" % (END + k))
        parts += ["%s\n" % g for g in GLOBALS]
        if mode == "nested":
            parts.append("&_p\n")
    parts.append("&q\n")
    return "".join(parts)


PROMPT = re.compile(r"^(?:[1-9]?>)+")
LEVEL_LINES = {"*** New command level.", "*** Resuming earlier command level"}


def normalised(text):
    lines = []
    for line in text.split("\n"):
        line = PROMPT.sub("", line).rstrip()
        if line and line not in LEVEL_LINES and line != " bye":
            lines.append(line)
    return lines


def split(lines, count):
    """The lines of each program, from its start marker to the next."""
    at = {}
    for i, line in enumerate(lines):
        if re.fullmatch(r"\d+", line) and START <= int(line) < START + count:
            at[int(line) - START] = i
    out = []
    for k in range(count):
        if k not in at:
            out.append(None)
            continue
        ends = [v for v in at.values() if v > at[k]] + [len(lines)]
        out.append(lines[at[k] + 1:min(ends)])
    return out


def run(tolmex, text):
    with tempfile.TemporaryDirectory() as work:
        proc = subprocess.run([tolmex], input=text.encode(), capture_output=True, cwd=work,
                              timeout=240)
    if proc.returncode != 0:
        raise AssertionError("tolmex exit status %d" % proc.returncode)
    return proc.stdout.decode("utf-8", "replace")


def program_text(program):
    funcs, main, expected, compiled, layout = program
    w = Writer(frozenset(), random.Random(layout))
    return ("".join(w.function(f) for f in funcs) + "".join("%s:\n" % w.stmt(s) for s in main)
            + "expected %s = %s; compiled: %s\n" % (", ".join(GLOBALS), expected,
                                                   ", ".join(sorted(compiled)) or "none"))


def check(programs, outputs):
    failures = []
    plain = split(normalised(outputs["plain"]), len(programs))
    for k, program in enumerate(programs):
        problems = []
        seg = plain[k]
        if seg is None:
            problems.append("no output in the plain run")
        else:
            bad = [line for line in seg if line.startswith("***") or "arning" in line]
            if bad:
                problems.append("plain run: " + "; ".join(bad[:3]))
            marker = str(END + k)
            shown = seg[seg.index(marker) + 1:] if marker in seg else []
            want = [str(v) for v in program[2]]
            if shown[-len(GLOBALS):] != want:
                problems.append("plain run shows %s, the model %s" % (shown[-len(GLOBALS):], want))
        for mode in ("compiled", "nested"):
            other = split(normalised(outputs[mode]), len(programs))[k]
            if other != seg:
                problems.append("%s run differs from the plain run:\n  plain:  %s\n  %s: %s"
                                % (mode, seg, mode, other))
        if problems:
            failures.append("program %d:\n%s\n%s" % (k, program_text(program),
                                                     "\n".join(problems)))
    return failures


def main():
    tolmex = os.path.abspath(sys.argv[1])
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 150
    seed = int(os.environ.get("TOLMEX_SEED", int(time.time() * 1000) % (1 << 31)))
    print("seed %d (set TOLMEX_SEED to repeat), %d programs" % (seed, count))
    sys.stdout.flush()
    programs = make_programs(seed, count)
    outputs = {mode: run(tolmex, script(programs, mode)) for mode in ("plain", "compiled", "nested")}
    failures = check(programs, outputs)
    for f in failures[:5]:
        print(f)
        print()
    if failures:
        print("%d of %d programs failed (seed %d)" % (len(failures), count, seed))
        sys.exit(1)
    print("ok")


if __name__ == "__main__":
    main()
