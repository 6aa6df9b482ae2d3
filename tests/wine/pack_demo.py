#!/usr/bin/python3
"""Packs the demo payload as a vendor does, with scripts/package, and copies
the ZIP and the setup into FOLDER for the end-to-end suite, so that the
suite's runs in the two prefixes need not take turns with every other writer
of build/package/.

Usage: pack_demo.py FOLDER
"""
import os
import shutil
import subprocess
import sys

REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.append(os.path.join(REPOSITORY, 'packaging'))
import package  # noqa: E402


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    packing = subprocess.run([os.path.join(REPOSITORY, 'scripts', 'package'), 'demo/payload'],
                             cwd=REPOSITORY, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             text=True)
    if packing.returncode != 0:
        sys.exit('scripts/package demo/payload failed:\n' + packing.stdout)
    os.makedirs(sys.argv[1], exist_ok=True)
    for name in (package.ZIP_NAME, package.SETUP_NAME):
        shutil.copy(os.path.join(REPOSITORY, 'build', 'package', name), sys.argv[1])


if __name__ == '__main__':
    main()
