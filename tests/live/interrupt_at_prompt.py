#!/usr/bin/env python3
"""A keyboard interrupt while tolmex waits for input opens command level 2 at
once; "&_p" returns to level 1, which prompts again; "&q" quits."""
import os
import select
import signal
import subprocess
import sys
import tempfile
import time


def read_until(proc, needle, buf, timeout=10.0):
    end = time.time() + timeout
    fd = proc.stdout.fileno()
    while needle not in buf[0]:
        left = end - time.time()
        if left <= 0:
            raise AssertionError("timed out waiting for %r; output so far:\n%s" % (needle, buf[0]))
        r, _, _ = select.select([fd], [], [], left)
        if r:
            chunk = os.read(fd, 4096)
            if not chunk:
                raise AssertionError("eof waiting for %r; output:\n%s" % (needle, buf[0]))
            buf[0] += chunk.decode("utf-8", "replace")
    pos = buf[0].index(needle) + len(needle)
    seen, buf[0] = buf[0][:pos], buf[0][pos:]
    return seen


def main():
    tolmex = sys.argv[1]
    with tempfile.TemporaryDirectory() as work:
        proc = subprocess.Popen([tolmex], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, cwd=work)
        buf = [""]
        try:
            read_until(proc, ">", buf)
            time.sleep(0.2)  # let it block in the read
            proc.send_signal(signal.SIGINT)
            read_until(proc, "*** New command level.\n", buf)
            read_until(proc, "2>", buf)
            proc.stdin.write(b"&_p\n")
            proc.stdin.flush()
            read_until(proc, "*** Resuming earlier command level\n", buf)
            read_until(proc, ">", buf)
            # A second interrupt works just as the first.
            time.sleep(0.2)
            proc.send_signal(signal.SIGINT)
            read_until(proc, "2>", buf)
            proc.stdin.write(b"&@\n")
            proc.stdin.flush()
            read_until(proc, "*** Panic stop.\n", buf)
            read_until(proc, ">", buf)
            proc.stdin.write(b"&q\n")
            proc.stdin.flush()
            read_until(proc, " bye\n", buf)
            rc = proc.wait(timeout=10)
            assert rc == 0, "exit status %d" % rc
        finally:
            if proc.poll() is None:
                proc.kill()
    print("ok")


if __name__ == "__main__":
    main()
