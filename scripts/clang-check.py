#!/usr/bin/env python3
"""Compiles every translation unit of the Windows tree with clang for MinGW-w64 (syntax and
semantics only, no linking), so that code only GCC accepts is caught. Reads the file list and the
defines and include paths from the tree's compile_commands.json; any warning fails the check.
A unit that passed is checked again only when its command or a file it includes has changed
(stamps and dependency lists in BUILD_WINDOWS_DIR/clang-check).

    scripts/clang-check.py BUILD_WINDOWS_DIR
"""
import concurrent.futures
import glob
import hashlib
import json
import os
import shlex
import subprocess
import sys

def mingw_cxx_headers():
    # The MinGW GCC's C++ library headers; clang finds the C headers of the target itself.
    found = sorted(glob.glob("/usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++"))
    if not found:
        sys.exit("clang check: no MinGW-w64 GCC C++ headers under /usr/lib/gcc/x86_64-w64-mingw32")
    return found[-1]

def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    with open(os.path.join(build, "compile_commands.json")) as f:
        entries = json.load(f)
    headers = mingw_cxx_headers()
    base = ["clang++", "--target=x86_64-w64-mingw32", "-fsyntax-only", "-std=c++20",
            "-isystem", headers, "-isystem", os.path.join(headers, "x86_64-w64-mingw32"),
            "-Wall", "-Wextra", "-Wno-missing-field-initializers", "-Werror"]
    jobs = {}
    for e in entries:
        source = os.path.realpath(os.path.join(e["directory"], e["file"]))
        # Ours only: the GoogleTest sources are built from the system's copy.
        if not source.startswith(root + os.sep) or not source.endswith(".cpp"):
            continue
        args = shlex.split(e["command"]) if "command" in e else e["arguments"]
        flags = []
        i = 0
        while i < len(args):
            a = args[i]
            if a in ("-I", "-isystem", "-D"):
                flags += [a, args[i + 1]]
                i += 2
                continue
            if a.startswith(("-I", "-D")):
                flags.append(a)
            i += 1
        jobs[source] = (source, base + flags + [source], e["directory"])

    stamps = os.path.join(build, "clang-check")
    os.makedirs(stamps, exist_ok=True)

    def up_to_date(stamp, depfile, command):
        try:
            with open(stamp) as f:
                if f.read() != " ".join(command):
                    return False
            with open(depfile) as f:
                deps = f.read().replace("\\\n", " ").split(":", 1)[1].split()
            since = os.path.getmtime(stamp)
            return all(os.path.getmtime(d) <= since for d in deps)
        except (OSError, IndexError):
            return False

    def run(job):
        source, command, directory = job
        name = hashlib.sha1(source.encode()).hexdigest()[:16]
        stamp, depfile = os.path.join(stamps, name + ".ok"), os.path.join(stamps, name + ".d")
        if up_to_date(stamp, depfile, command):
            return source, 0, ""
        if os.path.exists(stamp):
            os.remove(stamp)
        r = subprocess.run(command + ["-MD", "-MF", depfile], cwd=directory, capture_output=True, text=True)
        if r.returncode == 0 and not r.stderr.strip():
            with open(stamp, "w") as f:
                f.write(" ".join(command))
        return source, r.returncode, r.stderr

    failed = 0
    with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 1) as pool:
        for source, code, err in pool.map(run, [jobs[k] for k in sorted(jobs)]):
            if code != 0 or err.strip():
                failed += 1
                print(f"clang: {os.path.relpath(source, root)}\n{err}", end="")
    print(f"clang check: {len(jobs)} translation units, {failed} with warnings or errors")
    return 1 if failed else 0

if __name__ == "__main__":
    sys.exit(main())
