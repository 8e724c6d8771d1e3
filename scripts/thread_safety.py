#!/usr/bin/env python3
"""clang's thread-safety analysis over our own sources: each file of the
build's compile_commands.json under module/, utils/, host/ and tools/ is
compiled again with clang++ -fsyntax-only -Wthread-safety -Werror.

    scripts/thread_safety.py <build folder with compile_commands.json> [clang++]
"""
import json
import os
import shlex
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

CHECKED = ("module/", "utils/", "host/", "tools/")
# GCC's warning flags that clang does not know; everything else is kept.
DROPPED = {"-Werror"}


def command_for(entry, clang, root):
    args = entry.get("arguments") or shlex.split(entry["command"])
    kept = [clang]
    skip = False
    for arg in args[1:]:
        if skip:
            skip = False
            continue
        if arg in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if arg in DROPPED or arg in ("-c", "-MD") or arg.startswith("-fsanitize"):
            continue
        if arg == entry["file"] or os.path.abspath(arg) == entry["file"]:
            continue
        kept.append(arg)
    return kept + ["-fsyntax-only", "-Wno-unknown-warning-option", "-Wthread-safety",
                   "-Werror=thread-safety", entry["file"]]


def main():
    build = sys.argv[1]
    clang = sys.argv[2] if len(sys.argv) > 2 else "clang++-14"
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(build, "compile_commands.json")) as f:
        entries = json.load(f)
    files = {}
    for entry in entries:
        rel = os.path.relpath(entry["file"], root)
        if rel.startswith(CHECKED) and rel not in files:
            files[rel] = entry

    def check(item):
        rel, entry = item
        run = subprocess.run(command_for(entry, clang, root), cwd=entry["directory"],
                             capture_output=True, text=True)
        return rel, run.returncode, run.stderr

    failed = 0
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for rel, code, err in pool.map(check, sorted(files.items())):
            if code != 0:
                failed += 1
                print(f"{rel}:\n{err}")
    print(f"thread-safety analysis: {len(files)} files, {failed} with findings")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
