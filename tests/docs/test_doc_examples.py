#!/usr/bin/env python3
"""Runs every example session of docs/language.md and docs/tutorial.md and
compares it with the output the documents show.

An example is a fenced block that opens with ```tolmex. It is a terminal
view of one session:

- a line that begins with a prompt (">" or, at a nested command level, a
  digit and ">") is typed: the text after the prompt is sent to Tolmex;
- after a "?name" statement the next typed line carries the prompt that the
  question writes, "name := " after the ">", and the answer follows it;
- a line that begins with "... " continues the statement typed above it
  (Tolmex prints no prompt there): its text is sent, and nothing is shown;
- every other line is output.

The table of error texts at the end of docs/language.md must list every
error of data/Qerrs that has a text of its own, with that text.

Each block runs in a fresh tolmex (argv[1]) in an empty temporary
directory, with "&q" typed after its last line. A fenced block that opens
with ```tolstart becomes the tolstart.txt of the next session. The banner,
the date and the timing lines are normalised as the transcript tests do;
the start-up text up to the date line (and the empty line after it), the
final prompt and " bye" are dropped; trailing blanks of lines and blank
lines at the end of the block are not compared. Any difference fails the test with a diff.
"""
import difflib
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from run_transcript import normalise  # noqa: E402

DOCS = [os.path.join(HERE, "..", "..", "docs", name)
        for name in ("language.md", "tutorial.md")]
QERRS = os.path.join(HERE, "..", "..", "data", "Qerrs")
ERROR_COUNT = 376
ERROR_ROW = re.compile(r"^\| (\d+) \| (.*) \|$")
PROMPT = re.compile(r"^(\d?>)(.*)$")
ASKED = re.compile(r"^([a-z][A-Za-z0-9_]*(?:\[[^\]]*\])? := )(.*)$")
CONTINUED = "... "


def blocks(path):
    """Yields (line number, lines, start-up file text or None) for every
    ```tolmex block of a file."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    i, tolstart = 0, None
    while i < len(lines):
        kind = lines[i].strip()
        if kind in ("```tolmex", "```tolstart"):
            start, body = i + 1, []
            i += 1
            while i < len(lines) and lines[i].strip() != "```":
                body.append(lines[i])
                i += 1
            if i == len(lines):
                raise SystemExit("%s:%d: unclosed %s block" % (path, start, kind))
            if kind == "```tolstart":
                tolstart = "\n".join(body) + "\n"
            else:
                yield start, body, tolstart
                tolstart = None
        i += 1


def split_block(body):
    """Turns a terminal view into (typed input, expected standard output)."""
    typed, expected = [], []
    asking = False
    for line in body:
        if line.startswith(CONTINUED) or line == CONTINUED.rstrip():
            typed.append(line[len(CONTINUED):])
            continue
        m = PROMPT.match(line)
        if not m:
            expected.append(line + "\n")
            continue
        prompt, text = m.group(1), m.group(2)
        if asking:
            a = ASKED.match(text)
            if a:
                prompt, text = prompt + a.group(1), a.group(2)
        typed.append(text)
        expected.append(prompt)
        asking = text.lstrip().startswith("?")
    return "\n".join(typed) + "\n&q\n", "".join(expected)


def tidy(text):
    lines = [line.rstrip() for line in text.split("\n")]
    while lines and not lines[-1]:
        lines.pop()
    return "\n".join(lines) + "\n"


def session_output(tolmex, stdin_text, tolstart):
    with tempfile.TemporaryDirectory() as work:
        if tolstart is not None:
            with open(os.path.join(work, "tolstart.txt"), "w") as f:
                f.write(tolstart)
        proc = subprocess.run([tolmex], input=stdin_text.encode("utf-8"),
                              capture_output=True, cwd=work, timeout=60)
    out = normalise(proc.stdout.decode("utf-8", "replace"))
    start = out.find("\n <date>\n")
    if start < 0:
        return None, out
    out = out[start + len("\n <date>\n"):]
    if out.startswith("\n"):
        out = out[1:]
    out = re.sub(r"\d?>\n bye\n$", "", out)
    return proc.returncode, out


def error_table_differences():
    """Compares the error table of language.md with data/Qerrs."""
    with open(QERRS, encoding="utf-8") as f:
        texts = f.read().split("\n")[:ERROR_COUNT]
    wanted = {}
    for code, text in enumerate(texts, 1):
        text = text.strip()
        if re.fullmatch(r"\*\*\* Error \d+\.", text):
            continue
        wanted[code] = text[4:] if text.startswith("*** ") else text
    with open(DOCS[0], encoding="utf-8") as f:
        doc = f.read()
    shown = {}
    for line in doc[doc.index("\n## Errors\n"):].split("\n"):
        m = ERROR_ROW.match(line)
        if m:
            shown[int(m.group(1))] = m.group(2).replace("\\|", "|")
    problems = []
    for code in sorted(set(wanted) | set(shown)):
        if wanted.get(code) != shown.get(code):
            problems.append("error %d: data %r, docs %r"
                            % (code, wanted.get(code), shown.get(code)))
    return problems


def main():
    tolmex = os.path.abspath(sys.argv[1])
    failures = count = 0
    for path in DOCS:
        name = os.path.relpath(path, os.path.join(HERE, "..", ".."))
        for line_no, body, tolstart in blocks(path):
            count += 1
            stdin_text, expected = split_block(body)
            status, actual = session_output(tolmex, stdin_text, tolstart)
            if status == 0 and tidy(actual) == tidy(expected):
                continue
            failures += 1
            print("--- %s:%d: example differs (shown vs actual, typed text left out), exit %s:"
                  % (name, line_no, status))
            sys.stdout.writelines(difflib.unified_diff(
                tidy(expected).splitlines(True), tidy(actual).splitlines(True),
                "shown", "actual"))
            print()
    problems = error_table_differences()
    for p in problems:
        print("--- docs/language.md error table: " + p)
    failures += len(problems) > 0
    print("%d examples, %d differ" % (count, failures))
    if count == 0:
        print("no ```tolmex examples found")
        sys.exit(1)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
