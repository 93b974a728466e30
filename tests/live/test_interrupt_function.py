#!/usr/bin/env python3
"""Interrupts inside a loop inside a user function.

Slow(c, a, ^r) adds a*c to r while it counts a down to 0. Interrupted, the
new command level sees the call's parameters: c is the argument (it hides
the global c), a and r are part way, and the variable passed for r still
holds its value from before the call (it gets r's value when the call
returns). "&_p" resumes the loop and the call's value and the reference
argument are complete. A panic stop "&@" at that level abandons the whole
call, plain or compiled, also from five recursive calls deep: the
assignment's target, the reference argument and the hidden global keep
their values from before the call, and the next calls, plain and compiled,
run normally."""
import re
import sys

from session import Session

N = 2000000  # passes of the loop: seconds of work


def value_of(s, name, prompt):
    """Displays a variable and returns its value as an integer."""
    s.send("%s\n" % name)
    seen = s.read_until(prompt)
    m = re.search(r"^(-?\d+)$", seen, re.M)
    assert m, "no value for %s:\n%s" % (name, seen)
    return int(m.group(1))


def expect(s, name, want, prompt=">"):
    got = value_of(s, name, prompt)
    assert got == want, "%s is %d, expected %d" % (name, got, want)


def check_parameters(s, c, r0, t):
    """At the new level: the parameters of Slow, which began with r = r0,
    and the variable t outside."""
    expect(s, "c", c, "2>")
    a = value_of(s, "a", "2>")
    r = value_of(s, "r", "2>")
    assert 0 < a < N, "the counter a is %d" % a
    # r has had a*c added for every a from N down to the current one, and
    # for the current one too when the interrupt came between the loop's
    # two statements.
    done = r0 + c * (N * (N + 1) // 2 - a * (a + 1) // 2)
    assert r in (done, done + c * a), "r is %d with a = %d" % (r, a)
    expect(s, "t", t, "2>")


def main():
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send("Func Slow(c, a, ^r) = while a > 0 do r := r + a*c; a := a - 1 od; r.\n"
               "c := 77:\nt := 5:\nu := 11:\n")
        for _ in range(4):
            s.read_until(">")

        # Resumed: the result is complete.
        s.interrupt_running("u := Slow(3, %d, t):\n" % N, "call")
        check_parameters(s, 3, 5, 5)
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until(">")
        total = 5 + 3 * N * (N + 1) // 2
        expect(s, "u", total)
        expect(s, "t", total)
        expect(s, "c", 77)

        # Abandoned, plain and compiled: nothing of the call is kept.
        for call in ("Slow", "Compile Slow"):
            s.send("t := 5:\nu := 11:\n")
            s.read_until(">")
            s.read_until(">")
            s.interrupt_running("u := %s(2, %d, t):\n" % (call, N), "call")
            check_parameters(s, 2, 5, 5)
            s.send("&@\n")
            s.read_until("*** Panic stop.\n")
            s.read_until(">")
            expect(s, "u", 11)
            expect(s, "t", 5)
            expect(s, "c", 77)
            # The parameters are gone with the call.
            s.send("a\n")
            seen = s.read_until(">")
            assert "*** Undefined variable." in seen, "a is still defined after the call:\n" + seen

        # Interrupted five calls deep: each call passes its r on by
        # reference. The innermost call's parameters are seen; resumed, every
        # level hands its r back; abandoned, none does.
        s.send("Func Deep(d, ^r) = if d > 0 then r := r + 1; Deep(d - 1, r) "
               "else Slow(1, %d, r) fi; r.\n" % N)
        s.read_until(">")
        for stop in ("&_p", "&@"):
            s.send("t := 5:\nu := 11:\n")
            s.read_until(">")
            s.read_until(">")
            s.interrupt_running("u := Deep(5, t):\n", "call")
            check_parameters(s, 1, 10, 5)
            expect(s, "d", 0, "2>")
            s.send(stop + "\n")
            s.read_until(">")
            want = 10 + N * (N + 1) // 2 if stop == "&_p" else None
            expect(s, "u", want or 11)
            expect(s, "t", want or 5)

        # Later calls run normally.
        s.send("u := Slow(4, 10, t):\n")
        s.read_until(">")
        expect(s, "u", 5 + 4 * 55)
        expect(s, "t", 5 + 4 * 55)
        s.send("u := Compile Slow(1, 3, t):\n")
        s.read_until(">")
        expect(s, "u", 5 + 4 * 55 + 6)
        expect(s, "c", 77)
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
