#!/usr/bin/env python3
"""A keyboard interrupt during a long product opens command level 2 inside
the computation; "&_p" resumes it and the result is complete. A second
interrupt followed by "&@" abandons the computation and leaves the target
variable with the 0 it was created with when the assignment began."""
import os
import select
import signal
import subprocess
import sys
import tempfile
import time


def read_until(proc, needle, buf, timeout=120.0):
    end = time.time() + timeout
    fd = proc.stdout.fileno()
    while needle not in buf[0]:
        left = end - time.time()
        if left <= 0:
            raise AssertionError("timed out waiting for %r; output so far:\n%s" % (needle, buf[0]))
        r, _, _ = select.select([fd], [], [], left)
        if r:
            chunk = os.read(fd, 65536)
            if not chunk:
                raise AssertionError("eof waiting for %r; output:\n%s" % (needle, buf[0]))
            buf[0] += chunk.decode("utf-8", "replace")
    pos = buf[0].index(needle) + len(needle)
    seen, buf[0] = buf[0][:pos], buf[0][pos:]
    return seen


def send(proc, text):
    proc.stdin.write(text.encode())
    proc.stdin.flush()


def main():
    tolmex = sys.argv[1]
    f_at_1 = 5 ** 24
    expected = str(f_at_1 * (f_at_1 + 1))
    with tempfile.TemporaryDirectory() as work:
        proc = subprocess.Popen([tolmex], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, cwd=work)
        buf = [""]
        try:
            read_until(proc, ">", buf)
            send(proc, "&J x\n&J y\n&J z\n&J t\nf := (1+x+y+z+t)^24:\n")
            send(proc, "k := (1+x+y+z+t)^30:\n")
            for _ in range(6):
                read_until(proc, ">", buf)
            # Interrupt the product and resume it.
            send(proc, "g := f*(f+1):\n")
            time.sleep(0.2)
            proc.send_signal(signal.SIGINT)
            read_until(proc, "*** New command level.\n", buf)
            read_until(proc, "2>", buf)
            send(proc, "&_p\n")
            read_until(proc, "*** Resuming earlier command level\n", buf)
            send(proc, "g#(1,1,1,1)\n")
            read_until(proc, expected, buf)
            read_until(proc, ">", buf)
            # Interrupt a product far too long to finish first, and abandon
            # it: h keeps the 0 it was created with.
            send(proc, "h := k*(k+1):\n")
            time.sleep(0.5)
            proc.send_signal(signal.SIGINT)
            before = read_until(proc, "*** New command level.\n", buf)
            assert ">" not in before, "the product ended before the interrupt:\n" + before
            read_until(proc, "2>", buf)
            send(proc, "&@\n")
            read_until(proc, "*** Panic stop.\n", buf)
            read_until(proc, ">", buf)
            send(proc, "h\n")
            read_until(proc, "\n0\n", buf)
            read_until(proc, ">", buf)
            send(proc, "&q\n")
            read_until(proc, " bye\n", buf)
            rc = proc.wait(timeout=30)
            assert rc == 0, "exit status %d" % rc
        finally:
            if proc.poll() is None:
                proc.kill()
    print("ok")


if __name__ == "__main__":
    main()
