#!/usr/bin/env python3
"""Line editing at a terminal, driven through a pseudo-terminal: a line is
edited with the cursor keys, the previous line recalled with the up arrow,
names completed with TAB (a built-in, a variable; elsewhere TAB is a tab), a "?" read answered, a
partly typed line dropped by an interrupt at the prompt, a computation
interrupted and resumed with "&_p". The history file in $HOME keeps the
lines for the next session, which recalls its last line; a home that cannot
be written to costs the history file only. Statements given on the command
line run first and stay out of the history. Skips itself (77) when no
pseudo-terminal can be had."""
import errno
import fcntl
import os
import pty
import select
import signal
import struct
import sys
import tempfile
import termios
import time

LEFT, UP = "\x1b[D", "\x1b[A"
CTRL_C = "\x03"


class Terminal:
    """tolmex on the slave side of a pseudo-terminal of 40 x 200."""

    def __init__(self, tolmex, home, args=()):
        env = dict(os.environ, TERM="xterm")
        if home is None:
            env.pop("HOME", None)
        else:
            env["HOME"] = home
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(tempfile.gettempdir())
            os.execve(tolmex, [tolmex] + list(args), env)
        fcntl.ioctl(self.fd, termios.TIOCSWINSZ, struct.pack("HHHH", 40, 200, 0, 0))
        self.buf = ""

    def read_until(self, needle, timeout=120.0):
        """The output up to and including needle."""
        end = time.time() + timeout
        while needle not in self.buf:
            left = end - time.time()
            if left <= 0:
                raise AssertionError("timed out waiting for %r; output so far:\n%r"
                                     % (needle, self.buf))
            ready, _, _ = select.select([self.fd], [], [], left)
            if ready:
                try:
                    chunk = os.read(self.fd, 65536)
                except OSError as e:
                    if e.errno != errno.EIO:
                        raise
                    chunk = b""
                if not chunk:
                    raise AssertionError("eof waiting for %r; output:\n%r" % (needle, self.buf))
                self.buf += chunk.decode("utf-8", "replace")
        pos = self.buf.index(needle) + len(needle)
        seen, self.buf = self.buf[:pos], self.buf[pos:]
        return seen

    def type(self, keys, pause=0.05):
        for k in keys if isinstance(keys, list) else [keys]:
            os.write(self.fd, k.encode())
            time.sleep(pause)

    def statement(self, keys, result):
        """Types keys and Enter; waits for the result line and the prompt."""
        self.type(keys if isinstance(keys, list) else [keys])
        self.type("\r")
        seen = self.read_until("\r\n%s\r\n" % result)
        self.read_until(">")
        return seen

    def quit(self):
        self.type("&q\r")
        self.read_until(" bye")
        _, status = os.waitpid(self.pid, 0)
        assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0, status

    def close(self):
        try:
            os.kill(self.pid, signal.SIGKILL)
            os.waitpid(self.pid, 0)
        except (ProcessLookupError, ChildProcessError):
            pass
        os.close(self.fd)


def editing_and_recall(t):
    t.read_until(">")
    # "123 + 4", four steps left (before " + 4"), a "9" inserted there.
    t.statement(["123 + 4"] + [LEFT] * 4 + ["9"], "1243")
    # The previous line recalled and extended.
    t.statement([UP, " + 1"], "1244")


def completion(t):
    # A variable, then a built-in ("GC" names only GCD).
    t.statement("longname_1 := 6", "6")
    t.statement(["3 + longn", "\t", " * 2"], "15")
    t.statement(["GC", "\t", "(12, 18)"], "6")
    # Where no name ends at the cursor TAB is a tab.
    t.statement(["\t", "5 +", "\t", "1"], "6")


def raw_read(t):
    t.type("? w\r")
    t.read_until("w := ")
    t.type("5 + 2\r")
    t.read_until(">")
    t.statement("w", "7")


def interrupts(t):
    # At the prompt: what was typed is dropped and a level opens.
    t.type("1 + ")
    time.sleep(0.3)
    t.type(CTRL_C)
    t.read_until("*** New command level.")
    t.read_until("2>")
    t.type("&_p\r")
    t.read_until("*** Resuming earlier command level")
    t.statement("2 + 2", "4")
    # During a computation: the product stops, a level opens, "&_p" resumes.
    for line in ["&J x", "&J y", "&J z", "&J t", "e := (1+x+y+z+t)^24:"]:
        t.type(line + "\r")
        t.read_until(">")
    t.type("g := e*(e+1):\r")
    time.sleep(0.3)
    t.type(CTRL_C)
    before = t.read_until("*** New command level.")
    after = before.replace("\r", "").split("g := e*(e+1):")[-1]
    assert "\n>" not in after, "the product ended first:\n%r" % before
    t.read_until("2>")
    t.type("&_p\r")
    t.read_until("*** Resuming earlier command level")
    e1 = 5 ** 24
    t.statement("g#(1,1,1,1)", str(e1 * (e1 + 1)))


def history_lines(home):
    """The lines of the history file, with the editor's escapes undone."""
    with open(os.path.join(home, ".tolmex_history"), "rb") as f:
        raw = f.read().decode("ascii").splitlines()
    out = []
    for line in raw[1:]:  # the first line names the format
        decoded = bytes(line, "ascii").decode("unicode_escape") if "\\" in line else line
        out.append(decoded)
    return out


def session(tolmex, home, steps, args=()):
    t = Terminal(tolmex, home, args)
    try:
        for step in steps:
            step(t)
        t.quit()
    finally:
        t.close()


def recall_quit(t):
    """The next session: its first up arrow brings back "&q"."""
    t.read_until(">")
    t.type([UP, "\r"])
    t.read_until(" bye")
    t.type("")


def main():
    tolmex = os.path.abspath(sys.argv[1])
    try:
        master, slave = pty.openpty()
        os.close(master)
        os.close(slave)
    except OSError:
        print("no pseudo-terminal: skipped")
        sys.exit(77)
    with tempfile.TemporaryDirectory() as home:
        session(tolmex, home, [editing_and_recall, completion, raw_read, interrupts])
        lines = history_lines(home)
        for want in ["1239 + 4", "1239 + 4 + 1", "3 + longname_1 * 2", "GCD(12, 18)",
                     "g := e*(e+1):", "&q"]:
            assert want in lines, "%r not in the history %r" % (want, lines)
        assert lines[-1] == "&q", lines
        # Statements of the command line run before the terminal, and are
        # no part of the history.
        session(tolmex, home, [lambda t: t.read_until(">"),
                               lambda t: t.statement("a + 1", "4")], ["-e", "a := 3:"])
        lines = history_lines(home)
        assert "a + 1" in lines and "a := 3:" not in lines, lines
        t = Terminal(tolmex, home)
        try:
            recall_quit(t)
            _, status = os.waitpid(t.pid, 0)
            assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 0, status
        finally:
            t.close()
    # A home that cannot be written to: the session goes on as before.
    session(tolmex, "/nonexistent/home", [lambda t: t.read_until(">"),
                                         lambda t: t.statement("2 + 3", "5")])
    session(tolmex, None, [lambda t: t.read_until(">"),
                           lambda t: t.statement("2 + 5", "7")])
    print("ok")


if __name__ == "__main__":
    main()
