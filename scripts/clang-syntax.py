#!/usr/bin/env python3
"""Checks every source of a build with clang's syntax pass: the code must build with clang as well as g++.

Usage: clang-syntax.py BUILD_DIR [CLANG]. The build must have run (the generated headers are needed).
"""
import concurrent.futures
import json
import os
import shlex
import subprocess
import sys

build = sys.argv[1]
clang = sys.argv[2] if len(sys.argv) > 2 else "clang++-14"
with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
    entries = json.load(f)


def check(entry):
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    kept, skip = [], False
    for a in args[1:]:
        if skip:
            skip = False
        elif a in ("-o", "-c"):
            skip = True
        elif a != entry["file"]:
            kept.append(a)
    run = subprocess.run([clang, "-fsyntax-only", "-Werror"] + kept + [entry["file"]], cwd=entry["directory"],
                         capture_output=True, text=True)
    return entry["file"], run.returncode, run.stderr


failed = 0
with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
    for name, code, errors in pool.map(check, entries):
        if code != 0:
            failed += 1
            print(f"{name}:\n{errors}", file=sys.stderr)
print(f"clang syntax pass: {len(entries) - failed} of {len(entries)} sources clean")
sys.exit(1 if failed else 0)
