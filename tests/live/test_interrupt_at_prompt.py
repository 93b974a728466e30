#!/usr/bin/env python3
"""A keyboard interrupt while tolmex waits for input opens command level 2 at
once; "&_p" returns to level 1, which prompts again; "&@" also returns."""
import signal
import sys
import time

from session import Session


def main():
    s = Session(sys.argv[1])
    try:
        s.read_until(">")
        time.sleep(0.2)  # let it block in the read
        s.proc.send_signal(signal.SIGINT)
        s.read_until("*** New command level.\n")
        s.read_until("2>")
        s.send("&_p\n")
        s.read_until("*** Resuming earlier command level\n")
        s.read_until(">")
        # A second interrupt works just as the first.
        time.sleep(0.2)
        s.proc.send_signal(signal.SIGINT)
        s.read_until("2>")
        s.send("&@\n")
        s.read_until("*** Panic stop.\n")
        s.read_until(">")
        s.finish()
    finally:
        s.close()
    print("ok")


if __name__ == "__main__":
    main()
