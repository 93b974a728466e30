#!/usr/bin/env python3
"""Keyboard interrupts reach long big-integer kernels: a product of two
numbers of 2.7 million digits (the transform products make shorter ones
end before the interrupt) is interrupted, resumed and complete; a long
division far from done (45 million digits by one million: the recursive
division ends 2 million by 1 million digits before the interrupt) is
interrupted and abandoned, leaving its target as it was created (0)."""
import sys

from session import Session


def main():
    p = 1000003
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        s.send("a := 3^48000000:\nc := 3^2000000:\n")
        for _ in range(2):
            s.read_until(">")
        s.interrupt_running("b := a*a:\n", "product")
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until(">")
        s.send("b | %d\n" % p)
        s.read_until("\n%d\n" % pow(3, 96000000, p))
        s.read_until(">")
        s.interrupt_running("e := b \\ (c+7):\n", "division", delay=0.5)
        s.send("&@\n")
        s.read_until("*** Panic stop.\n")
        s.read_until(">")
        s.send("e\n")
        s.read_until("\n0\n")
        s.read_until(">")
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
