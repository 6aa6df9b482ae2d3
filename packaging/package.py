#!/usr/bin/python3
"""Checks a vendor's handheld files and packs them with the program for download.

Usage: package.py LIST_TOOL PROGRAM OUTPUT_DIR [--code-page N]
                  [--sign CERT.pfx --password-file FILE] [--timestamp URL] PAYLOAD_DIR

scripts/package builds LIST_TOOL (the program's own list cutter, built for
this machine) and PROGRAM, and runs this. PAYLOAD_DIR holds the File Install
List and the files it names. Every entry is read as the program will read it
and checked first; only a payload without errors is packed, into OUTPUT_DIR:
a ZIP for people who extract it, and a single-file setup that runs the
program from a folder of its own under the user's temporary folder. Either
both are written or neither is.
"""
import argparse
import json
import os
import re
import shutil
import string
import subprocess
import sys
import zipfile
from collections import namedtuple

import pefile

LIST_NAME = "TellwickPalm Files.txt"
PROGRAM_NAME = "TellwickPalmInstall.exe"
READ_ME_NAME = "Read Me.txt"
TOP_FOLDER = "TellwickPalmInstall"
ZIP_NAME = "TellwickPalmInstall.zip"
SETUP_NAME = "TellwickPalmSetup.exe"
# The program's report when Palm Desktop refuses a file it has already queued.
REFUSAL = '"The file ... could not be installed.  It may already be installed."'

PACKAGING = os.path.dirname(os.path.abspath(__file__))

# The program refuses a full path of more than 255 bytes, the list's own too.
PATH_LIMIT = 255
# The shortest folder that the ZIP's files can be extracted to.
SHORTEST_FOLDER = "X:\\" + TOP_FOLDER + "\\"
# Windows' ANSI code pages; Python's codecs of the same numbers decode them.
ANSI_CODE_PAGES = (874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257,
                   1258)
UTF8_BOM = b"\xef\xbb\xbf"
# Characters that no Windows file name holds.
NOT_IN_NAMES = set('<>:"|?*') | {chr(code) for code in range(1, 32)}
# A ZIP entry's time is the files' own unless fixed: the earliest a ZIP holds.
ZIP_TIME = (1980, 1, 1, 0, 0, 0)

# One entry of the list as the program cuts it; name is None for an entry
# that the program skips.
Entry = namedtuple("Entry", "line cut zero_at name")


class Failure(Exception):
    """A step of packing failed; the message says which and why."""


class Findings:
    """Errors and warnings, told as they are found."""

    def __init__(self):
        self.errors = 0

    def error(self, text):
        self.errors += 1
        print("error: " + text, file=sys.stderr)

    @staticmethod
    def warning(text):
        print("warning: " + text, file=sys.stderr)


def shown(name):
    """The name in double quotes, with control characters written as \\xNN."""
    return '"' + "".join(f"\\x{ord(c):02x}" if ord(c) < 0x20 or c == "\x7f" else c
                         for c in name) + '"'


def case_key(name):
    """Windows compares names by upper-casing each character on its own."""
    return "".join(c.upper() if len(c.upper()) == 1 else c for c in name)


# The packages' own files beside the handheld files, by case_key.
OWN_NAMES = {case_key(PROGRAM_NAME): "the program", case_key(LIST_NAME): "the File Install List",
             case_key(READ_ME_NAME): "the read-me"}


def read_entries(list_tool, list_path):
    """The list's entries as the program cuts them, and where a 0x1A byte
    ended it: (line, bytes after it), or None."""
    output = subprocess.run([list_tool, list_path], check=True, capture_output=True).stdout
    entries = []
    end_of_list = None
    for line in output.splitlines():
        record = json.loads(line)
        if "end_of_list" in record:
            end_of_list = (record["line"], record["end_of_list"])
        else:
            name = record["name"]
            entries.append(Entry(record["line"], record["cut"], record["zero_at"],
                                 None if name is None else bytes.fromhex(name)))
    return entries, end_of_list


def as_read(entry, code_page):
    """The entry's name as the program reads it, bytes of no character as \\xNN, in quotes."""
    return shown(entry.name.decode(f"cp{code_page}", "backslashreplace"))


def encoding_hint(entry, code_page):
    """Why the bytes may not be the name the vendor meant, or ""."""
    if entry.name.startswith(UTF8_BOM):
        return (f"; the list begins with a UTF-8 byte order mark, which the program reads "
                f"as the start of this name: save the list in code page {code_page} "
                f"without one")
    if b"\r" in entry.name:
        return "; a CR that no LF follows stays in the name"
    try:
        utf8 = entry.name.decode("utf-8")
    except UnicodeDecodeError:
        return ""
    if utf8.isascii():
        return ""
    return (f"; the list seems to be saved as UTF-8, where these bytes read {shown(utf8)}, "
            f"but the program reads it in code page {code_page}: save the list in "
            f"code page {code_page}")


def windows_path(name):
    """The folders and file name below the program's folder that Windows
    makes of the name, as it drops "." and takes ".." back lexically; None
    when ".." climbs out of the program's folder."""
    components = []
    for component in re.split(r"[\\/]", name):
        if component == "..":
            if not components:
                return None
            components.pop()
        elif component not in ("", "."):
            components.append(component)
    return components


def find_in_payload(payload, components):
    """The payload's own spelling of the path, found as Windows finds a file,
    ignoring case; None when there is none; a text saying why when there are two."""
    found = []
    for component in components:
        folder = os.path.join(payload, *found)
        if not os.path.isdir(folder):
            return None
        names = os.listdir(folder)
        matches = [component] if component in names else [
            name for name in names if case_key(name) == case_key(component)]
        if len(matches) > 1:
            return (f"matches {' and '.join(shown(match) for match in sorted(matches))} "
                    f"in the payload, which Windows cannot tell apart")
        if not matches:
            return None
        found.append(matches[0])
    return found


def named_file(payload, entry, code_page):
    """The payload path ("/" between folders) that the entry names, as the
    payload spells it, or None when there is none; and what is wrong with
    it as a file to install, or None."""
    try:
        name = entry.name.decode(f"cp{code_page}")
    except UnicodeDecodeError as failure:
        return None, (f"holds the byte 0x{entry.name[failure.start]:02X}, which is no "
                      f"character in code page {code_page}" + encoding_hint(entry, code_page))
    if re.match(r"[A-Za-z]:", name):
        return None, ("names a drive, outside the payload: the program reads every name "
                      "from its own folder")
    bad = sorted(set(name) & NOT_IN_NAMES)
    if bad:
        return None, (f"holds {shown(bad[0])}, which no Windows file name may hold"
                      + encoding_hint(entry, code_page))
    components = windows_path(name)
    if components is None:
        return None, 'leads out of the payload with ".."'
    if not components:
        return None, "names the program's own folder, not a file"
    found = find_in_payload(payload, components)
    if isinstance(found, str):
        return None, found
    no_file = "names no file in the payload" + encoding_hint(entry, code_page)
    if found is None:
        return None, no_file
    relative = "/".join(found)
    path = os.path.join(payload, *found)
    if not os.path.realpath(path).startswith(os.path.realpath(payload) + os.sep):
        return relative, "leads out of the payload through a symbolic link"
    if os.path.isdir(path):
        return relative, "names a folder, not a file"
    if not os.path.isfile(path):
        return relative, no_file
    own = OWN_NAMES.get(case_key(relative))
    if own:
        return relative, f"is the name of {own}, which the packages hold there themselves"
    return relative, None


def check_payload(payload, entries, end_of_list, code_page, findings):
    """Reports every problem of the list and its payload. Returns the payload
    paths of the files named, in the list's order, and the longest folder the
    program may run from."""
    named = []
    mentioned = set()
    cut_lines = set()
    by_path = {}
    by_file_name = {}
    for entry in entries:
        where = f"line {entry.line}"
        if entry.cut and entry.line not in cut_lines:
            cut_lines.add(entry.line)
            findings.error(
                f"{where}: the line is longer than 258 bytes: the program cuts it after 259 "
                f"bytes and asks for each piece as a file of its own; the first begins "
                f"{shown((entry.name or b'')[:40].decode(f'cp{code_page}', 'replace'))}")
        if entry.line in cut_lines:
            continue
        if entry.name is None:
            findings.warning(f"{where}: the line begins with a zero byte: the program skips it")
            continue
        name = as_read(entry, code_page)
        if entry.zero_at is not None:
            findings.warning(f"{where}: a zero byte ends the name {name} early: the program "
                             f"ignores the rest of the line")
        path, problem = named_file(payload, entry, code_page)
        mentioned.add(path)
        if problem:
            findings.error(f"{where}: {name} {problem}")
            continue
        file_name = path.rsplit("/", 1)[-1]
        earlier = by_path.get(case_key(path))
        if earlier is not None:
            findings.error(f"{where}: {name} names the same file as line {earlier.line}: the "
                           f"second request would fail with {REFUSAL}")
            continue
        earlier = by_file_name.get(case_key(file_name))
        if earlier is not None:
            findings.error(f"{where}: {name} has the same file name as line {earlier.line}: "
                           f"Palm Desktop queues files by name in one folder, so the second "
                           f"request would fail with {REFUSAL}")
            continue
        by_path[case_key(path)] = by_file_name[case_key(file_name)] = entry
        named.append(path)

    if end_of_list is not None and end_of_list[1] > 0:
        findings.warning(f"line {end_of_list[0]}: a 0x1A byte ends the list: the program never "
                         f"reads the {end_of_list[1]} bytes after it")
    names = [entry for entry in entries if entry.name is not None and entry.line not in cut_lines]
    if not any(entry.name is not None for entry in entries):
        findings.error(f"{LIST_NAME} names no file: the program would install nothing")

    for folder, _, files in sorted(os.walk(payload)):
        for file in sorted(files):
            path = os.path.relpath(os.path.join(folder, file), payload).replace(os.sep, "/")
            if path != LIST_NAME and path not in mentioned:
                findings.warning(f"{shown(path)} in the payload is named nowhere in the list "
                                 f"and is left out of the packages")

    for entry in names:
        if len(entry.name) > PATH_LIMIT - len(SHORTEST_FOLDER):
            findings.error(
                f"line {entry.line}: {as_read(entry, code_page)} is {len(entry.name)} bytes "
                f"long: even in {SHORTEST_FOLDER} its full path passes {PATH_LIMIT} bytes, "
                f"and the program refuses it")
    longest = max(names, key=lambda entry: len(entry.name), default=None)
    if longest is None:
        return named, None
    if len(longest.name) > len(LIST_NAME):
        limit = PATH_LIMIT - len(longest.name)
        reason = (f"the full path of line {longest.line}, {as_read(longest, code_page)} "
                  f"({len(longest.name)} bytes), passes {PATH_LIMIT} bytes and the program "
                  f"refuses it")
    else:
        limit = PATH_LIMIT - len(LIST_NAME)
        reason = f'the program cannot open "{LIST_NAME}"'
    findings.warning(f"the program's folder may be at most {limit} bytes long, its trailing "
                     f"backslash included: in a longer one {reason}")
    return named, limit


def run(command, what):
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            errors="backslashreplace")
    if result.returncode != 0:
        raise Failure(f"{what} failed:\n{result.stdout.rstrip()}")


def sign(options, source, target):
    """Authenticode with SHA-256; osslsigncode reads the password from its file."""
    command = ["osslsigncode", "sign", "-pkcs12", options.sign, "-readpass",
               options.password_file, "-h", "sha256"]
    if options.timestamp:
        command += ["-ts", options.timestamp]
    run(command + ["-in", source, "-out", target], f"signing {os.path.basename(target)}")


def version_information(program):
    """The program's version numbers, language and strings, as its VERSIONINFO holds them."""
    executable = pefile.PE(program, fast_load=True)
    executable.parse_data_directories(
        [pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    fixed = executable.VS_FIXEDFILEINFO[0]
    strings = {}
    language = None
    for file_info in executable.FileInfo[0]:
        for table in getattr(file_info, "StringTable", []):
            language = int(table.LangID, 16) >> 16
            strings.update({key.decode(): value.decode() for key, value in table.entries.items()})

    def numbers(most, least):
        return f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"

    return (numbers(fixed.FileVersionMS, fixed.FileVersionLS),
            numbers(fixed.ProductVersionMS, fixed.ProductVersionLS), language, strings)


def nsis_text(text):
    """The text as it stands inside an NSIS string in double quotes."""
    return text.replace("$", "$$").replace('"', '$\\"')


def write_zip(path, members):
    """Fixed times, order and attributes: the same members give the same bytes.
    Non-ASCII names are stored as UTF-8 with the ZIP's UTF-8 flag."""
    with zipfile.ZipFile(path, "w") as archive:
        for name, source in members:
            info = zipfile.ZipInfo(f"{TOP_FOLDER}/{name}", date_time=ZIP_TIME)
            info.create_system = 3  # Unix: read and written by its owner, read by all
            info.external_attr = 0o100644 << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(source, "rb") as file:
                archive.writestr(info, file.read(), compresslevel=9)


def write_setup(work, path, members, version):
    """Compiles the NSIS setup, with the program's version information."""
    file_version, product_version, language, strings = version
    strings = dict(strings)
    strings.update(InternalName=os.path.splitext(SETUP_NAME)[0], OriginalFilename=SETUP_NAME)
    with open(os.path.join(work, "version.nsh"), "w", encoding="utf-8") as version:
        version.write(f'Name "{nsis_text(strings["ProductName"])}"\n'
                      f"VIProductVersion {product_version}\n"
                      f"VIFileVersion {file_version}\n")
        for key, value in sorted(strings.items()):
            version.write(f'VIAddVersionKey /LANG={language} "{nsis_text(key)}" '
                          f'"{nsis_text(value)}"\n')
    # Sources under plain names, so that no name of a payload file has to
    # pass through makensis as a path of this machine.
    sources = os.path.join(work, "setup")
    os.mkdir(sources)
    with open(os.path.join(work, "files.nsh"), "w", encoding="utf-8") as files:
        folder = None
        for number, (name, source) in enumerate(members):
            *components, file_name = name.split("/")
            if components != folder:
                folder = components
                below = "".join("\\" + nsis_text(component) for component in components)
                files.write(f'SetOutPath "$0{below}"\n')
            copy = os.path.join(sources, str(number))
            shutil.copyfile(source, copy)
            files.write(f'File "/oname={nsis_text(file_name)}" "{nsis_text(copy)}"\n')
    run(["makensis", "-V1", "-INPUTCHARSET", "UTF8", f"-DOUTFILE={path}",
         f"-DPROGRAM={PROGRAM_NAME}", f"-DVERSION_INFORMATION={os.path.join(work, 'version.nsh')}",
         f"-DFILES={os.path.join(work, 'files.nsh')}", os.path.join(PACKAGING, "setup.nsi")],
        "makensis")


def write_read_me(path, product, limit):
    with open(os.path.join(PACKAGING, "read_me.txt"), encoding="ascii") as template:
        text = string.Template(template.read()).substitute(
            product=product, top_folder=TOP_FOLDER, program=PROGRAM_NAME, longest_folder=limit)
    with open(path, "wb") as read_me:
        read_me.write(text.replace("\n", "\r\n").encode("ascii"))


def pack(options, payload, named, limit):
    """Writes both packages into a work folder, then moves them out together."""
    work = os.path.join(options.output, "work")
    os.makedirs(work)
    try:
        program = os.path.join(work, PROGRAM_NAME)
        if options.sign:
            sign(options, options.program, program)
        else:
            shutil.copyfile(options.program, program)
        members = [(PROGRAM_NAME, program), (LIST_NAME, os.path.join(payload, LIST_NAME))]
        members += [(path, os.path.join(payload, path)) for path in named]
        version = version_information(program)
        read_me = os.path.join(work, READ_ME_NAME)
        write_read_me(read_me, version[3]["ProductName"], limit)
        write_zip(os.path.join(work, ZIP_NAME),
                  members[:2] + [(READ_ME_NAME, read_me)] + members[2:])
        setup = os.path.join(work, "setup.exe")
        write_setup(work, setup, members, version)
        if options.sign:
            sign(options, setup, os.path.join(work, SETUP_NAME))
        else:
            os.rename(setup, os.path.join(work, SETUP_NAME))
        for name in (ZIP_NAME, SETUP_NAME):
            os.rename(os.path.join(work, name), os.path.join(options.output, name))
            size = os.path.getsize(os.path.join(options.output, name))
            print(f"{os.path.join(options.output, name)}: {size:,} bytes")
    finally:
        shutil.rmtree(work)


def parse_options():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("list_tool")
    parser.add_argument("program")
    parser.add_argument("output")
    parser.add_argument("--code-page", type=int, default=1252, choices=ANSI_CODE_PAGES,
                        metavar="N", help="the ANSI code page the list is read in (1252)")
    parser.add_argument("--sign", metavar="CERT.pfx", help="sign with this PKCS#12 file")
    parser.add_argument("--password-file", metavar="FILE", help="the PKCS#12 file's password")
    parser.add_argument("--timestamp", metavar="URL", help="an RFC 3161 time-stamping server")
    parser.add_argument("payload")
    return parser.parse_args()


def main():
    options = parse_options()
    sys.stderr.reconfigure(errors="backslashreplace")
    # A package from an earlier run must not pass for one of this payload.
    for name in (ZIP_NAME, SETUP_NAME):
        if os.path.exists(os.path.join(options.output, name)):
            os.remove(os.path.join(options.output, name))
    shutil.rmtree(os.path.join(options.output, "work"), ignore_errors=True)
    os.makedirs(options.output, exist_ok=True)

    findings = Findings()
    if bool(options.sign) != bool(options.password_file):
        findings.error("--sign and --password-file go together")
    if options.timestamp and not options.sign:
        findings.error("--timestamp needs --sign")
    for path in filter(None, (options.sign, options.password_file)):
        if not os.path.isfile(path):
            findings.error(f"{path}: no such file")
    payload = os.path.abspath(options.payload)
    list_path = os.path.join(payload, LIST_NAME)
    if not os.path.isfile(list_path):
        findings.error(f'{options.payload} holds no "{LIST_NAME}"')
    else:
        entries, end_of_list = read_entries(options.list_tool, list_path)
        named, limit = check_payload(payload, entries, end_of_list, options.code_page, findings)
    if findings.errors:
        sys.exit(f"{findings.errors} error{'s' if findings.errors > 1 else ''}: "
                 f"no package was written")
    try:
        pack(options, payload, named, limit)
    except Failure as failure:
        sys.exit(f"error: {failure}\nno package was written")


if __name__ == "__main__":
    main()
