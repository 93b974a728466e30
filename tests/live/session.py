"""A running tolmex driven by a test: reading its output until a text
appears, and writing statements to it."""
import os
import signal
import select
import subprocess
import tempfile
import time


class Session:
    def __init__(self, tolmex):
        self.work = tempfile.TemporaryDirectory()
        self.proc = subprocess.Popen([tolmex], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, cwd=self.work.name)
        self.buf = ""

    def read_until(self, needle, timeout=120.0):
        """Returns the output up to and including needle."""
        end = time.time() + timeout
        fd = self.proc.stdout.fileno()
        while needle not in self.buf:
            left = end - time.time()
            if left <= 0:
                raise AssertionError("timed out waiting for %r; output so far:\n%s"
                                     % (needle, self.buf))
            ready, _, _ = select.select([fd], [], [], left)
            if ready:
                chunk = os.read(fd, 65536)
                if not chunk:
                    raise AssertionError("eof waiting for %r; output:\n%s" % (needle, self.buf))
                self.buf += chunk.decode("utf-8", "replace")
        pos = self.buf.index(needle) + len(needle)
        seen, self.buf = self.buf[:pos], self.buf[pos:]
        return seen

    def send(self, text):
        self.proc.stdin.write(text.encode())
        self.proc.stdin.flush()

    def interrupt_running(self, statement, what, delay=0.3):
        """Sends statement, interrupts it after delay seconds and checks that
        it was still running: a new command level opens (level 2 prompt)."""
        self.send(statement)
        time.sleep(delay)
        self.proc.send_signal(signal.SIGINT)
        before = self.read_until("*** New command level.\n")
        assert ">" not in before, "the %s ended before the interrupt:\n%s" % (what, before)
        self.read_until("2>")

    def finish(self):
        """Quits and checks the exit status."""
        self.send("&q\n")
        self.read_until(" bye\n")
        rc = self.proc.wait(timeout=30)
        assert rc == 0, "exit status %d" % rc

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.work.cleanup()
