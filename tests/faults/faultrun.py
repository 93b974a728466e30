"""Running tolmex for the fault tests: each run in a directory of its own,
with its statements on standard input, a time limit and optionally a
file-size limit."""
import os
import resource
import subprocess
import tempfile


class Work:
    """A fresh temporary directory."""

    def __init__(self):
        self._dir = tempfile.TemporaryDirectory()
        self.path = self._dir.name

    def file(self, name):
        return os.path.join(self.path, name)

    def read(self, name):
        with open(self.file(name), "rb") as f:
            return f.read()

    def write(self, name, data):
        with open(self.file(name), "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode())

    def names(self):
        return sorted(os.listdir(self.path))

    def close(self):
        self._dir.cleanup()


def run(tolmex, work, statements, fsize=None, timeout=60):
    """Runs statements (ending with "&q") and returns the output; fails on a
    hang, a signal or an exit status other than 0."""
    def limit():
        if fsize is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))
    try:
        p = subprocess.run([os.path.abspath(tolmex)], input=statements.encode(), cwd=work.path,
                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                           preexec_fn=limit, timeout=timeout)
    except subprocess.TimeoutExpired:
        raise AssertionError("tolmex hung on:\n" + statements)
    out = p.stdout.decode("utf-8", "replace")
    assert p.returncode == 0, "exit status %d on:\n%s\noutput:\n%s" % (
        p.returncode, statements, out[-3000:])
    assert out.rstrip().endswith("bye"), "no orderly end:\n" + out[-3000:]
    return out


def check(cond, what, out=""):
    if not cond:
        raise AssertionError(what + ("\noutput:\n" + out[-3000:] if out else ""))
