#!/usr/bin/python3
"""Packs the demo payload as a vendor does, with scripts/package, unsigned and
signed by a throwaway certificate authority, and copies the ZIPs and the
setups into FOLDER and FOLDER/signed for the end-to-end suite under Wine, so
that its runs in the two prefixes need not take turns with every other
writer of build/package/.

Usage: pack_demo.py FOLDER
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
REPOSITORY = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.append(os.path.join(REPOSITORY, 'packaging'))
import package  # noqa: E402
from throwaway_signer import make_signer  # noqa: E402


def pack(options, folder):
    packing = subprocess.run([os.path.join(REPOSITORY, 'scripts', 'package'), *options,
                              'demo/payload'],
                             cwd=REPOSITORY, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             text=True)
    if packing.returncode != 0:
        sys.exit('scripts/package demo/payload failed:\n' + packing.stdout)
    os.makedirs(folder, exist_ok=True)
    for name in (package.ZIP_NAME, package.SETUP_NAME):
        shutil.copy(os.path.join(REPOSITORY, 'build', 'package', name), folder)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    pack([], sys.argv[1])
    with tempfile.TemporaryDirectory() as signing:
        signer = make_signer(signing)
        pack(['--sign', signer.pfx, '--password-file', signer.password],
             os.path.join(sys.argv[1], 'signed'))


if __name__ == '__main__':
    main()
