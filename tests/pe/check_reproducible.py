#!/usr/bin/python3
"""Builds the Windows program twice and checks that both files are the same bytes.

Usage: check_reproducible.py CMAKE SOURCE_DIR [CONFIGURE_OPTION...]

Each build is configured afresh, with the given options, in its own temporary
directory and builds only the program. The two directories' paths differ in
length as well, so that a path that reaches the file shows up as a difference.
Neither file may hold the source or a build path.
"""
import os
import subprocess
import sys
import tempfile

PROGRAM_TARGET = "TellwickPalmInstall"
PROGRAM = PROGRAM_TARGET + ".exe"


def build(cmake, source_dir, configure_options, build_dir):
    for command in (
            [cmake, "-S", source_dir, "-B", build_dir, *configure_options],
            [cmake, "--build", build_dir, "--target", PROGRAM_TARGET]):
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    with open(os.path.join(build_dir, PROGRAM), "rb") as program:
        return program.read()


def paths_in(program, paths):
    """Returns those of the paths that the file holds, in 8-bit or UTF-16 text."""
    return [path for path in paths
            if path.encode() in program or path.encode("utf-16-le") in program]


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: check_reproducible.py CMAKE SOURCE_DIR [CONFIGURE_OPTION...]")
    cmake, source_dir, *configure_options = sys.argv[1:]
    with tempfile.TemporaryDirectory(prefix="tellwick-a-") as first_dir, \
            tempfile.TemporaryDirectory(prefix="tellwick-reproducible-b-") as second_dir:
        first = build(cmake, source_dir, configure_options, first_dir)
        second = build(cmake, source_dir, configure_options, second_dir)
        failures = []
        if first != second:
            differing = [offset for offset, (a, b) in enumerate(zip(first, second)) if a != b]
            failures.append(
                f"the two builds differ: {len(first)} and {len(second)} bytes, "
                f"{len(differing)} differing bytes of the common length"
                + (f", the first at offset {differing[0]:#x}" if differing else ""))
        for program in (first, second):
            for path in paths_in(program, [source_dir, first_dir, second_dir]):
                failures.append(f"a build holds the path {path}")
    if failures:
        sys.exit("\n".join(failures))
    print(f"two builds, both {len(first)} bytes, identical")


if __name__ == "__main__":
    main()
