#!/usr/bin/env python3
"""Fails when an #include runs upward between the folders of src/.

The order of the folders, bottom first, is the list in docs/architecture.md.
A file under src/F/ may include headers of F and of the folders below it;
a unit test under tests/unit/F/ likewise, since it links only F's library.
"""
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
order = re.findall(r"^- `src/([a-z]+)/`", (root / "docs/architecture.md").read_text(), re.M)
rank = {name: i for i, name in enumerate(order)}
include = re.compile(r'^\s*#\s*include\s+"([a-z]+)/[^"]+"', re.M)

problems = []
missing = sorted(p.name for p in (root / "src").iterdir() if p.is_dir() and p.name not in rank)
for name in missing:
    problems.append(f"src/{name}/ is not in the list of docs/architecture.md")
for base in ("src", "tests/unit"):
    for folder in sorted((root / base).iterdir()):
        if not folder.is_dir() or folder.name not in rank:
            continue
        for f in sorted(folder.rglob("*")):
            if f.suffix not in (".h", ".cpp", ".hpp"):
                continue
            for target in include.findall(f.read_text(errors="ignore")):
                if target in rank and rank[target] > rank[folder.name]:
                    problems.append(f"{f.relative_to(root)} includes {target}/, above {folder.name}/")
for p in problems:
    print(p)
print(f"{len(problems)} upward includes" if problems else "layers hold")
sys.exit(1 if problems else 0)
