#!/usr/bin/env python3
"""Checks every source of a build with clang's syntax pass: the code must build with clang as well as g++.

Usage: clang-syntax.py BUILD_DIR [CLANG]. The build must have run (the generated headers are needed).
Errors fail the pass; clang's own warnings are shown with them but do not. The code moc writes is
left out. Sources compiled with the same macros and options share one precompiled header of the Qt modules they
use, so Qt's headers are read once per group rather than once per source.
"""
import collections
import concurrent.futures
import json
import os
import shlex
import subprocess
import sys
import tempfile

build = os.path.abspath(sys.argv[1])
clang = sys.argv[2] if len(sys.argv) > 2 else "clang++-14"
with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
    entries = json.load(f)


def flags_of(entry):
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    kept, skip = [], False
    for a in args[1:]:
        if skip:
            skip = False
        elif a in ("-o", "-c", "-include"):
            # g++'s own precompiled header (-include cmake_pch.hxx) is left out: clang cannot read
            # it, and each source must name what it includes.
            skip = True
        elif a != entry["file"] and a != "-Winvalid-pch":
            kept.append(a)
    # Relative include folders read from the compile's own folder, wherever clang runs.
    return [("-I" + os.path.join(entry["directory"], a[2:])) if a.startswith("-I") and not os.path.isabs(a[2:])
            else a for a in kept]


def run(command, cwd):
    done = subprocess.run(command, cwd=cwd, capture_output=True, text=True)
    return done.returncode, done.stderr


# Include folders may differ within a group; macros and options may not.
groups = collections.defaultdict(list)
entries = [e for e in entries if "_autogen" not in e["file"]]
for entry in entries:
    flags = flags_of(entry)
    groups[tuple(a for a in flags if not a.startswith("-I"))].append((entry, flags))

work = tempfile.mkdtemp(prefix="clang-syntax-")


def make_pch(number, members):
    entry, flags = members[0]
    modules = sorted({os.path.basename(a) for a in flags if os.path.basename(a).startswith("Qt")
                      and os.path.isdir(a) and os.path.exists(os.path.join(a, os.path.basename(a)))})
    if len(members) < 3 or not modules:
        return None
    header = os.path.join(work, f"group{number}.h")
    with open(header, "w", encoding="utf-8") as out:
        out.writelines(f"#include <{m}>\n" for m in modules)
    pch = header + ".pch"
    code, _ = run([clang, "-x", "c++-header"] + flags + [header, "-o", pch], entry["directory"])
    return pch if code == 0 else None


def check(job):
    (entry, flags), pch = job
    extra = ["-include-pch", pch] if pch else []
    code, errors = run([clang, "-fsyntax-only"] + extra + flags + [entry["file"]], entry["directory"])
    return entry["file"], code, errors


workers = len(os.sched_getaffinity(0))
with concurrent.futures.ThreadPoolExecutor(max_workers=workers) as pool:
    ordered = list(groups.values())
    pchs = list(pool.map(lambda n: make_pch(n, ordered[n]), range(len(ordered))))
    jobs = [(member, pchs[n]) for n, members in enumerate(ordered) for member in members]
    failed = 0
    for name, code, errors in pool.map(check, jobs):
        if code != 0:
            failed += 1
            print(f"{name}:\n{errors}", file=sys.stderr)
print(f"clang syntax pass: {len(entries) - failed} of {len(entries)} sources clean")
sys.exit(1 if failed else 0)
