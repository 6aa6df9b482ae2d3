#!/usr/bin/python3
"""Runs scripts/package as a vendor would, on payloads made at test time, and
checks what it says and what it leaves in build/package/.

Usage: test_package.py REPOSITORY [unittest options, such as a test class]

Every run rewrites build/package/, so these tests must not run side by side.
"""
import os
import subprocess
import sys
import tempfile
import unittest
import zipfile

import pefile

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from throwaway_signer import make_signer  # noqa: E402

REPOSITORY = None
LIST = "TellwickPalm Files.txt"
ZIP = "TellwickPalmInstall.zip"
SETUP = "TellwickPalmSetup.exe"
TOP = "TellwickPalmInstall/"  # the ZIP's one folder
DATA = b"a handheld database"
REFUSAL = '"The file ... could not be installed.  It may already be installed."'
# Every run whose names are at most 22 bytes long prints this warning.
LIST_PATH_LIMIT = ("warning: the program's folder may be at most 233 bytes long, its trailing "
                   'backslash included: in a longer one the program cannot open '
                   '"TellwickPalm Files.txt"')
LONG_NAME = "a" * 236 + ".pdb"
MIDDLE_NAME = "b" * 196 + ".pdb"
JAPANESE_NAME = "ソフト.pdb"  # in code page 932 "ソ" ends with the byte 0x5C


def repository(*names):
    return os.path.join(REPOSITORY, *names)


def package_path(name):
    return repository("build", "package", name)


def contents(path):
    with open(path, "rb") as file:
        return file.read()


def package(*arguments):
    """Runs scripts/package from the repository; its exit status and the lines it printed."""
    result = subprocess.run([repository("scripts", "package"), *arguments], cwd=REPOSITORY,
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return result.returncode, result.stdout.splitlines()


def reports(lines):
    """The errors and warnings printed, less the warning that nearly every run prints."""
    return [line for line in lines
            if line.startswith(("error: ", "warning: ")) and line != LIST_PATH_LIMIT]


class Link(str):
    """A payload entry that is a symbolic link to this target."""


def make_payload(folder, list_bytes, files):
    """Lays out a payload in folder/payload: the list (unless None) and
    {path: bytes or Link}, "/" between folders; "../" reaches beside it."""
    payload = os.path.join(folder, "payload")
    os.makedirs(payload)
    if list_bytes is not None:
        files = {LIST: list_bytes, **files}
    for name, content in files.items():
        path = os.path.normpath(os.path.join(payload, name))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        if isinstance(content, Link):
            os.symlink(content, path)
        else:
            with open(path, "wb") as file:
                file.write(content)
    return payload


def leave_stale_packages():
    os.makedirs(package_path(""), exist_ok=True)
    for name in (ZIP, SETUP):
        with open(package_path(name), "wb") as stale:
            stale.write(b"from an earlier run")


def version_information(path):
    """The fixed version numbers, the string table's language and its strings."""
    executable = pefile.PE(path)
    fixed = executable.VS_FIXEDFILEINFO[0]
    tables = [table for file_info in executable.FileInfo[0]
              for table in getattr(file_info, "StringTable", [])]
    return ((fixed.FileVersionMS, fixed.FileVersionLS,
             fixed.ProductVersionMS, fixed.ProductVersionLS),
            [int(table.LangID, 16) >> 16 for table in tables],
            {key: value for table in tables for key, value in table.entries.items()})


# Each payload's list bytes (None: no list), files, options, exit status and
# every error and warning it gets, in order; {payload} stands for its path.
PAYLOADS = [
    ("no list", None, {"a.pdb": DATA}, [], 1,
     ['error: {payload} holds no "TellwickPalm Files.txt"']),
    ("empty list", b"", {}, [], 1,
     ["error: TellwickPalm Files.txt names no file: the program would install nothing"]),
    ("a name of no file", b"a.pdb\r\nmissing.pdb\r\n", {"a.pdb": DATA}, [], 1,
     ['error: line 2: "missing.pdb" names no file in the payload']),
    ("a folder", b"sub\r\n", {"sub/a.pdb": DATA}, [], 1,
     ['error: line 1: "sub" names a folder, not a file',
      'warning: "sub/a.pdb" in the payload is named nowhere in the list and is left out '
      'of the packages']),
    ("an empty line", b"a.pdb\r\n\r\n", {"a.pdb": DATA}, [], 1,
     ['error: line 2: "" names the program\'s own folder, not a file']),
    ("out with ..", b"..\\outside.pdb\r\n", {"../outside.pdb": DATA}, [], 1,
     ['error: line 1: "..\\outside.pdb" leads out of the payload with ".."']),
    ("a drive", b"C:\\a.pdb\r\n", {"a.pdb": DATA}, [], 1,
     ['error: line 1: "C:\\a.pdb" names a drive, outside the payload: the program reads every '
      'name from its own folder',
      'warning: "a.pdb" in the payload is named nowhere in the list and is left out of the '
      'packages']),
    ("out through a symbolic link", b"link.pdb\r\n",
     {"link.pdb": Link("../outside.pdb"), "../outside.pdb": DATA}, [], 1,
     ['error: line 1: "link.pdb" leads out of the payload through a symbolic link']),
    ("a line the program cuts", b"y" * 300 + b"\r\n", {}, [], 1,
     ['error: line 1: the line is longer than 258 bytes: the program cuts it after 259 bytes '
      'and asks for each piece as a file of its own; the first begins "' + "y" * 40 + '"']),
    ("the same file twice", b"a.pdb\r\nA.PDB\r\n", {"a.pdb": DATA}, [], 1,
     [f'error: line 2: "A.PDB" names the same file as line 1: the second request would fail '
      f'with {REFUSAL}']),
    ("one file name in two folders", b"one\\d.pdb\r\ntwo/d.pdb\r\n",
     {"one/d.pdb": DATA, "two/d.pdb": DATA}, [], 1,
     [f'error: line 2: "two/d.pdb" has the same file name as line 1: Palm Desktop queues '
      f'files by name in one folder, so the second request would fail with {REFUSAL}']),
    ("two payload files that only case tells apart", b"A.Pdb\r\n",
     {"a.pdb": DATA, "A.pdb": DATA}, [], 1,
     ['error: line 1: "A.Pdb" matches "A.pdb" and "a.pdb" in the payload, which Windows '
      'cannot tell apart',
      'warning: "A.pdb" in the payload is named nowhere in the list and is left out of the '
      'packages',
      'warning: "a.pdb" in the payload is named nowhere in the list and is left out of the '
      'packages']),
    ("a list saved as UTF-8", "café.pdb\r\n".encode("utf-8"), {"café.pdb": DATA}, [], 1,
     ['error: line 1: "cafÃ©.pdb" names no file in the payload; the list seems to be saved as '
      'UTF-8, where these bytes read "café.pdb", but the program reads it in code page 1252: '
      'save the list in code page 1252',
      'warning: "café.pdb" in the payload is named nowhere in the list and is left out of '
      'the packages']),
    ("a UTF-8 byte order mark", b"\xef\xbb\xbfa.pdb\r\n", {"a.pdb": DATA}, [], 1,
     ['error: line 1: "ï»¿a.pdb" names no file in the payload; the list begins with a UTF-8 '
      'byte order mark, which the program reads as the start of this name: save the list in code '
      'page 1252 without one',
      'warning: "a.pdb" in the payload is named nowhere in the list and is left out of the '
      'packages']),
    ("a byte of no character in code page 1252", b"a\x81.pdb\r\n", {}, [], 1,
     ['error: line 1: "a\\x81.pdb" holds the byte 0x81, which is no character in code page '
      '1252']),
    ("a byte of no character in code page 932", b"\x85\x40.pdb\r\n", {}, ["--code-page", "932"],
     1, ['error: line 1: "\\x85@.pdb" holds the byte 0x85, which is no character in code page '
         '932']),
    ("code page 932 read in 1252, where 0x5C splits folders",
     JAPANESE_NAME.encode("cp932") + b"\r\n", {JAPANESE_NAME: DATA}, [], 1,
     ['error: line 1: "ƒ\\ƒtƒg.pdb" names no file in the payload',
      f'warning: "{JAPANESE_NAME}" in the payload is named nowhere in the list and is left out '
      f'of the packages']),
    ("lines ended by CR alone", b"a.pdb\rb.pdb\r", {"a.pdb": DATA, "b.pdb": DATA}, [], 1,
     ['error: line 1: "a.pdb\\x0db.pdb\\x0d" holds "\\x0d", which no Windows file name may '
      'hold; a CR that no LF follows stays in the name',
      'warning: "a.pdb" in the payload is named nowhere in the list and is left out of the '
      'packages',
      'warning: "b.pdb" in the payload is named nowhere in the list and is left out of the '
      'packages']),
    ("the read-me's name", b"a.pdb\r\nread me.TXT\r\n",
     {"a.pdb": DATA, "Read Me.txt": DATA}, [], 1,
     ['error: line 2: "read me.TXT" is the name of the read-me, which the packages hold there '
      'themselves']),
    ("a name too long for any folder", (LONG_NAME + "\r\n").encode(), {LONG_NAME: DATA}, [], 1,
     [f'error: line 1: "{LONG_NAME}" is 240 bytes long: even in X:\\TellwickPalmInstall\\ its '
      f'full path passes 255 bytes, and the program refuses it',
      f"warning: the program's folder may be at most 15 bytes long, its trailing backslash "
      f'included: in a longer one the full path of line 1, "{LONG_NAME}" (240 bytes), passes '
      f'255 bytes and the program refuses it']),
    ("only a line that begins with a zero byte", b"\x00a.pdb\r\n", {"a.pdb": DATA}, [], 1,
     ["warning: line 1: the line begins with a zero byte: the program skips it",
      "error: TellwickPalm Files.txt names no file: the program would install nothing",
      'warning: "a.pdb" in the payload is named nowhere in the list and is left out of the '
      'packages']),
    ("a zero byte in a name", b"a.pdb\x00.old\r\n", {"a.pdb": DATA}, [], 0,
     ['warning: line 1: a zero byte ends the name "a.pdb" early: the program ignores the rest '
      'of the line']),
    ("a 0x1A byte in a name", b"a.pdb\x1a.old\r\nb.pdb\r\n", {"a.pdb": DATA}, [], 0,
     ["warning: line 1: a 0x1A byte ends the list: the program never reads the 13 bytes after "
      "it"]),
    ("a 0x1A byte that ends the file", b"a.pdb\r\n\x1a", {"a.pdb": DATA}, [], 0, []),
    ("a payload file that the list leaves out", b"a.pdb\r\n",
     {"a.pdb": DATA, "extra/b.pdb": DATA}, [], 0,
     ['warning: "extra/b.pdb" in the payload is named nowhere in the list and is left out of '
      'the packages']),
    ("a name that differs from the file only in case", b"SUB\\A.PDB\n", {"sub/a.pdb": DATA},
     [], 0, []),
    ("code page 932", JAPANESE_NAME.encode("cp932") + b"\r\n", {JAPANESE_NAME: DATA},
     ["--code-page", "932"], 0, []),
    ("a long name", (MIDDLE_NAME + "\r\n").encode(), {MIDDLE_NAME: DATA}, [], 0,
     [f"warning: the program's folder may be at most 55 bytes long, its trailing backslash "
      f'included: in a longer one the full path of line 1, "{MIDDLE_NAME}" (200 bytes), passes '
      f'255 bytes and the program refuses it']),
]


class Payloads(unittest.TestCase):
    def test_each_payload_gets_its_reports_and_packages_only_without_errors(self):
        for title, list_bytes, files, options, status, expected in PAYLOADS:
            with self.subTest(title), tempfile.TemporaryDirectory() as folder:
                payload = make_payload(folder, list_bytes, files)
                leave_stale_packages()
                got_status, lines = package(*options, payload)
                self.assertEqual(reports(lines),
                                 [line.format(payload=payload) for line in expected])
                self.assertEqual(got_status, status, "\n".join(lines))
                if status == 0:
                    self.assertTrue(zipfile.is_zipfile(package_path(ZIP)))
                    self.assertEqual(contents(package_path(SETUP))[:2], b"MZ")
                else:
                    self.assertTrue(lines[-1].endswith(": no package was written"), lines[-1])
                    for name in (ZIP, SETUP):
                        self.assertFalse(os.path.exists(package_path(name)), name)

    def test_the_zip_lays_files_out_where_the_program_looks(self):
        # The payload's own program and read-me are left out: the packages hold theirs.
        files = {"sub/x.pdb": b"x", "sub/y.pdb": b"y", "café.pdb": b"e", "a.pdb": b"a",
                 "TellwickPalmInstall.exe": b"an old program", "Read Me.txt": b"the vendor's"}
        with tempfile.TemporaryDirectory() as folder:
            payload = make_payload(folder, b"sub\\x.pdb\r\nsub/y.pdb\r\ncaf\xe9.pdb\r\nA.PDB\r\n",
                                   files)
            status, lines = package(payload)
            self.assertEqual(status, 0, "\n".join(lines))
            with zipfile.ZipFile(package_path(ZIP)) as archive:
                self.assertEqual(archive.namelist(), [
                    TOP + "TellwickPalmInstall.exe", TOP + LIST, TOP + "Read Me.txt",
                    TOP + "sub/x.pdb", TOP + "sub/y.pdb", TOP + "café.pdb", TOP + "a.pdb"])
                for name in ("sub/x.pdb", "sub/y.pdb", "café.pdb", "a.pdb"):
                    self.assertEqual(archive.read(TOP + name), files[name])
                self.assertEqual(archive.read(TOP + "TellwickPalmInstall.exe"),
                                 contents(repository("build", "win32", "TellwickPalmInstall.exe")))
                self.assertNotEqual(archive.read(TOP + "Read Me.txt"), files["Read Me.txt"])
                utf8_flags = {info.filename: info.flag_bits & 0x800 != 0
                              for info in archive.infolist()}
                self.assertEqual([name for name, utf8 in utf8_flags.items() if utf8],
                                 [TOP + "café.pdb"])


class Demo(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.status, cls.lines = package("demo/payload")

    def test_packs_with_only_the_folder_length_warning(self):
        self.assertEqual(self.status, 0, "\n".join(self.lines))
        self.assertIn(LIST_PATH_LIMIT, self.lines)
        self.assertEqual(reports(self.lines), [])

    def test_zip_holds_one_top_folder_with_everything_the_program_reads(self):
        with zipfile.ZipFile(package_path(ZIP)) as archive:
            self.assertEqual(sorted(archive.namelist()), sorted(TOP + name for name in [
                "TellwickPalmInstall.exe", LIST, "Read Me.txt", "TellwickDemo1.pdb",
                "TellwickDemo2.pdb"]))
            for name in (LIST, "TellwickDemo1.pdb", "TellwickDemo2.pdb"):
                self.assertEqual(archive.read(TOP + name),
                                 contents(repository("demo", "payload", name)))

    def test_read_me_has_crlf_line_ends_and_the_folder_length(self):
        with zipfile.ZipFile(package_path(ZIP)) as archive:
            read_me = archive.read(TOP + "Read Me.txt")
        self.assertTrue(read_me.endswith(b"\r\n"))
        self.assertNotIn(b"\n", read_me.replace(b"\r\n", b""))
        self.assertNotIn(b"\r", read_me.replace(b"\r\n", b""))
        self.assertIn(b"233", read_me)

    def test_setup_carries_the_program_version_information(self):
        numbers, languages, strings = version_information(package_path(SETUP))
        program_numbers, program_languages, program_strings = version_information(
            repository("build", "win32", "TellwickPalmInstall.exe"))
        self.assertEqual(numbers, program_numbers)
        self.assertEqual(languages, program_languages)
        self.assertEqual(strings, {**program_strings, b"InternalName": b"TellwickPalmSetup",
                                   b"OriginalFilename": b"TellwickPalmSetup.exe"})

    def test_setup_runs_without_administrator_rights(self):
        # Windows elevates an unmarked program named "Setup", and the program
        # would then read the administrator's Palm Desktop.
        setup = pefile.PE(package_path(SETUP))
        manifests = [entry for entry in setup.DIRECTORY_ENTRY_RESOURCE.entries
                     if entry.id == pefile.RESOURCE_TYPE["RT_MANIFEST"]]
        language = manifests[0].directory.entries[0].directory.entries[0]
        manifest = setup.get_data(language.data.struct.OffsetToData, language.data.struct.Size)
        self.assertIn(b'level="asInvoker"', manifest)


class Reproducible(unittest.TestCase):
    def test_two_runs_give_the_same_bytes_though_file_times_differ(self):
        with tempfile.TemporaryDirectory() as folder:
            payload = make_payload(folder, b"sub\\a.pdb\r\nb.pdb\r\n",
                                   {"sub/a.pdb": DATA, "b.pdb": DATA * 3})
            runs = []
            for time in (1_000_000_000, 1_500_000_000):
                for name in ("sub/a.pdb", "b.pdb", LIST):
                    os.utime(os.path.join(payload, name), (time, time))
                status, lines = package(payload)
                self.assertEqual(status, 0, "\n".join(lines))
                runs.append([contents(package_path(name)) for name in (ZIP, SETUP)])
            self.assertEqual(runs[0][0], runs[1][0], "the ZIPs differ")
            self.assertEqual(runs[0][1], runs[1][1], "the setups differ")


class Signing(unittest.TestCase):
    """A throwaway certificate authority and a code-signing certificate it signed."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.signer = make_signer(cls.folder.name)
        with open(cls.path("wrong password"), "w") as password:
            password.write("another password\n")

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    @classmethod
    def path(cls, name):
        return os.path.join(cls.folder.name, name)

    def verify(self, path):
        result = subprocess.run(["osslsigncode", "verify", "-CAfile", self.signer.ca,
                                 "-in", path], capture_output=True, text=True)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)

    def test_signed_program_and_setup_verify_against_the_authority(self):
        status, lines = package("--sign", self.signer.pfx,
                                "--password-file", self.signer.password, "demo/payload")
        self.assertEqual(status, 0, "\n".join(lines))
        program = self.path("TellwickPalmInstall.exe")
        with zipfile.ZipFile(package_path(ZIP)) as archive, open(program, "wb") as file:
            file.write(archive.read(TOP + "TellwickPalmInstall.exe"))
        self.verify(program)
        self.verify(package_path(SETUP))
        check = subprocess.run([sys.executable, repository("tests", "pe", "check_executable.py"),
                                program], capture_output=True, text=True)
        self.assertEqual(check.returncode, 0, check.stderr)

    def test_a_signing_that_fails_leaves_no_package(self):
        for title, options, message in [
                ("a wrong password",
                 ["--sign", self.signer.pfx, "--password-file", self.path("wrong password")],
                 "error: signing TellwickPalmInstall.exe failed:"),
                ("an unreachable time-stamping server",
                 ["--sign", self.signer.pfx, "--password-file", self.signer.password,
                  "--timestamp", "http://127.0.0.1:9/"],
                 "error: signing TellwickPalmInstall.exe failed:"),
                ("no password file", ["--sign", self.signer.pfx],
                 "error: --sign and --password-file go together")]:
            with self.subTest(title):
                leave_stale_packages()
                status, lines = package(*options, "demo/payload")
                self.assertEqual(status, 1, "\n".join(lines))
                self.assertIn(message, lines)
                self.assertEqual(lines[-1], "no package was written"
                                 if "signing" in message else "1 error: no package was written")
                for name in (ZIP, SETUP):
                    self.assertFalse(os.path.exists(package_path(name)), name)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: test_package.py REPOSITORY [unittest options]")
    REPOSITORY = sys.argv.pop(1)
    unittest.main()
