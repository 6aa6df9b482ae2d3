#!/usr/bin/python3
"""Checks the built Windows program file from its own bytes.

Usage: check_executable.py TellwickPalmInstall.exe

The program is a single download that must start by a double-click on any
Windows from XP to 11 without administrator rights, so the file itself is
checked: its header, what it imports, and every resource the program and the
shell rely on.
"""
import os
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

IMAGE_FILE_MACHINE_I386 = 0x014C
PE32_MAGIC = 0x010B
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2

RT_ICON = 3
RT_DIALOG = 5
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

# LANG_ENGLISH with SUBLANG_ENGLISH_AUS.
ENGLISH_AUSTRALIA = 0x0C09

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CAPTION = 0x00C00000
WS_VSCROLL = 0x00200000
WS_SYSMENU = 0x00080000
WS_GROUP = 0x00020000
WS_TABSTOP = 0x00010000
DS_SETFONT = 0x40
DS_MODALFRAME = 0x80
DS_CENTER = 0x800
BS_PUSHBUTTON = 0x0
BS_DEFPUSHBUTTON = 0x1
CBS_DROPDOWNLIST = 0x3
CBS_SORT = 0x100
SS_LEFT = 0x0
SS_ICON = 0x3

# The predefined window classes, as a template names them by ordinal.
BUTTON = 0x0080
STATIC = 0x0082
COMBOBOX = 0x0085

IDOK = 1
IDCANCEL = 2
USER_NAME_LIST = 1002
# IDC_STATIC (-1) as the template's unsigned 16-bit control id.
IDC_STATIC = 0xFFFF
IDD_USER_SELECTION = 101
IDI_HANDHELD = 103

DIALOG_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT

# class, id, text, x, y, width, height, style; in template order.
CONTROLS = [
    (BUTTON, IDOK, "OK", 38, 57, 50, 14,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON),
    (BUTTON, IDCANCEL, "Cancel", 104, 57, 50, 14,
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON),
    (COMBOBOX, USER_NAME_LIST, "", 56, 35, 129, 44,
     WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST | CBS_SORT),
    (STATIC, IDC_STATIC, "Select a user and click OK", 30, 10, 92, 11,
     WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT),
    (STATIC, IDC_STATIC, "&Username:", 10, 36, 35, 8,
     WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT),
    (STATIC, IDC_STATIC, IDI_HANDHELD, 7, 7, 20, 20,
     WS_CHILD | WS_VISIBLE | SS_ICON),
]

# Icon resource id, width and height in pixels, size in bytes.
ICON_IMAGES = [(1, 32, 744), (2, 16, 296)]

# The standard 16-colour palette as an icon stores it: blue, green, red, 0.
STANDARD_PALETTE = bytes(
    component
    for red, green, blue in [
        (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
        (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
        (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
        (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF)]
    for component in (blue, green, red, 0))

# Black, light grey, dark grey and white in that palette.
GREYS = {0, 7, 8, 15}

# comctl32 comes through the manifest from the system's side-by-side store,
# never from a folder the program shares with other files.
ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "advapi32.dll", "msvcrt.dll", "comctl32.dll"}

ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
WINDOWS_SETTINGS_2005 = "{http://schemas.microsoft.com/SMI/2005/WindowsSettings}"
WINDOWS_SETTINGS_2016 = "{http://schemas.microsoft.com/SMI/2016/WindowsSettings}"
COMPATIBILITY_V1 = "{urn:schemas-microsoft-com:compatibility.v1}"

# Windows Vista, 7, 8, 8.1, and 10 and 11.
SUPPORTED_OS_IDS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}

PRODUCT_NAME = "Quillmere Tellwick for Palm"

program_path = None
program = None


def setUpModule():
    global program
    program = pefile.PE(program_path)


def resources(resource_type):
    """Returns {name or id: {language: bytes}} for one resource type."""
    found = {}
    for type_entry in program.DIRECTORY_ENTRY_RESOURCE.entries:
        if type_entry.id != resource_type:
            continue
        for name_entry in type_entry.directory.entries:
            name = str(name_entry.name) if name_entry.name is not None else name_entry.id
            found[name] = {
                language.id: program.get_data(language.data.struct.OffsetToData,
                                              language.data.struct.Size)
                for language in name_entry.directory.entries}
    return found


def only_resource(resource_type, name):
    """Returns the bytes of the one language of a resource that must have exactly one."""
    languages = resources(resource_type)[name]
    if list(languages) != [ENGLISH_AUSTRALIA]:
        raise AssertionError(f"resource {resource_type}/{name} has the languages "
                             f"{[hex(language) for language in languages]}")
    return languages[ENGLISH_AUSTRALIA]


class Reader:
    """Reads little-endian values from bytes; reading past the end raises struct.error."""

    def __init__(self, data):
        self.data = data
        self.offset = 0

    def unpack(self, layout):
        values = struct.unpack_from("<" + layout, self.data, self.offset)
        self.offset += struct.calcsize("<" + layout)
        return values

    def word(self):
        return self.unpack("H")[0]

    def text(self):
        """A zero-terminated UTF-16 text."""
        units = []
        while (unit := self.word()) != 0:
            units.append(unit)
        return struct.pack(f"<{len(units)}H", *units).decode("utf-16-le")

    def text_or_ordinal(self):
        """An ordinal after 0xFFFF, "" for a lone 0, or else a text."""
        first = self.word()
        if first == 0xFFFF:
            return self.word()
        self.offset -= 2
        return self.text()

    def align(self):
        self.offset += -self.offset % 4


def decode_dialog(data):
    """Decodes a standard dialog template (DLGTEMPLATE and its DLGITEMTEMPLATEs)."""
    reader = Reader(data)
    style, extended_style, count, x, y, width, height = reader.unpack("IIHhhhh")
    dialog = {
        "style": style, "extended style": extended_style,
        "position and size": (x, y, width, height),
        "menu": reader.text_or_ordinal(), "class": reader.text_or_ordinal(),
        "caption": reader.text(),
    }
    if style & DS_SETFONT:
        dialog["font"] = (reader.word(), reader.text())
    controls = []
    for _ in range(count):
        reader.align()
        style, extended_style, x, y, width, height, control_id = reader.unpack("IIhhhhH")
        window_class = reader.text_or_ordinal()
        text = reader.text_or_ordinal()
        creation_data = reader.unpack(f"{reader.word()}s")[0]
        controls.append({
            "control": (window_class, control_id, text, x, y, width, height, style),
            "extended style": extended_style, "creation data": creation_data})
    dialog["controls"] = controls
    dialog["bytes left"] = data[reader.offset:]
    return dialog


class Header(unittest.TestCase):
    def test_is_pe32_for_x86(self):
        self.assertEqual(program.FILE_HEADER.Machine, IMAGE_FILE_MACHINE_I386)
        self.assertEqual(program.OPTIONAL_HEADER.Magic, PE32_MAGIC)

    def test_is_a_windows_gui_program(self):
        self.assertEqual(program.OPTIONAL_HEADER.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI)

    def test_windows_xp_accepts_the_required_versions(self):
        # Windows XP (5.1) refuses to start a program that asks for a later version.
        header = program.OPTIONAL_HEADER
        self.assertLessEqual((header.MajorSubsystemVersion, header.MinorSubsystemVersion), (5, 1))
        self.assertLessEqual(
            (header.MajorOperatingSystemVersion, header.MinorOperatingSystemVersion), (5, 1))

    def test_holds_no_link_time(self):
        self.assertEqual(program.FILE_HEADER.TimeDateStamp, 0)

    def test_is_stripped_and_small(self):
        self.assertEqual(program.FILE_HEADER.PointerToSymbolTable, 0)
        self.assertEqual(program.FILE_HEADER.NumberOfSymbols, 0)
        self.assertLess(os.path.getsize(program_path), 64 * 1024)


class Imports(unittest.TestCase):
    def test_only_windows_system_dlls(self):
        imported = {entry.dll.decode("ascii").lower()
                    for entry in getattr(program, "DIRECTORY_ENTRY_IMPORT", [])}
        delay_loaded = {entry.dll.decode("ascii").lower()
                        for entry in getattr(program, "DIRECTORY_ENTRY_DELAY_IMPORT", [])}
        self.assertLessEqual(imported, ALLOWED_DLLS)
        self.assertEqual(delay_loaded, set())


class ResourceTree(unittest.TestCase):
    def test_every_resource_is_english_australia(self):
        for resource_type in (RT_DIALOG, RT_GROUP_ICON, RT_ICON, RT_VERSION, RT_MANIFEST):
            for name, languages in resources(resource_type).items():
                with self.subTest(type=resource_type, name=name):
                    self.assertEqual(list(languages), [ENGLISH_AUSTRALIA])

    def test_dialog_101_is_a_standard_template(self):
        self.assertIn(IDD_USER_SELECTION, resources(RT_DIALOG))
        # An extended template (DLGTEMPLATEEX) opens with version 1, signature 0xFFFF.
        self.assertNotEqual(only_resource(RT_DIALOG, IDD_USER_SELECTION)[:4],
                            b"\x01\x00\xff\xff")

    def test_icon_group_103_is_the_only_icon_group(self):
        # The shell shows the first icon group as the program's icon.
        self.assertEqual(list(resources(RT_GROUP_ICON)), [IDI_HANDHELD])

    def test_icons_are_only_the_group_images(self):
        self.assertEqual(sorted(resources(RT_ICON)), [image[0] for image in ICON_IMAGES])

    def test_one_manifest_as_resource_1(self):
        # The linker may add a default manifest of its own beside ours.
        manifests = resources(RT_MANIFEST)
        self.assertEqual(list(manifests), [1])
        self.assertEqual(len(manifests[1]), 1)

    def test_one_version_information(self):
        self.assertEqual(list(resources(RT_VERSION)), [1])


class DialogTemplate(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dialog = decode_dialog(only_resource(RT_DIALOG, IDD_USER_SELECTION))

    def test_dialog(self):
        self.assertEqual(hex(self.dialog["style"]), hex(DIALOG_STYLE))
        self.assertEqual(self.dialog["extended style"], 0)
        self.assertEqual(self.dialog["position and size"], (0, 0, 192, 78))
        self.assertEqual(self.dialog["menu"], "")
        self.assertEqual(self.dialog["class"], "")
        self.assertEqual(self.dialog["caption"], "Quillmere Tellwick for Palm Installation")
        self.assertEqual(self.dialog.get("font"), (8, "MS Sans Serif"))

    def test_controls(self):
        controls = self.dialog["controls"]
        self.assertEqual(len(controls), len(CONTROLS))
        for number, (control, expected) in enumerate(zip(controls, CONTROLS), 1):
            with self.subTest(control=number):
                self.assertEqual(control["control"][:7], expected[:7])
                self.assertEqual(hex(control["control"][7]), hex(expected[7]))
                self.assertEqual(control["extended style"], 0)
                self.assertEqual(control["creation data"], b"")

    def test_nothing_follows_the_last_control(self):
        self.assertEqual(self.dialog["bytes left"], b"")


class Icon(unittest.TestCase):
    def test_group_lists_both_images(self):
        reader = Reader(only_resource(RT_GROUP_ICON, IDI_HANDHELD))
        self.assertEqual(reader.unpack("HHH"), (0, 1, len(ICON_IMAGES)))
        for icon_id, size, byte_count in ICON_IMAGES:
            with self.subTest(icon=icon_id):
                # width, height, colours, reserved, planes, bits per pixel, bytes, id
                self.assertEqual(reader.unpack("BBBBHHIH"),
                                 (size, size, 16, 0, 1, 4, byte_count, icon_id))
        self.assertEqual(reader.offset, len(reader.data))

    def test_images_are_opaque_4_bit_greys(self):
        for icon_id, size, byte_count in ICON_IMAGES:
            with self.subTest(icon=icon_id):
                image = only_resource(RT_ICON, icon_id)
                self.assertEqual(len(image), byte_count)
                reader = Reader(image)
                # header size, width, height of colours and mask together, planes,
                # bits per pixel, compression (none)
                self.assertEqual(reader.unpack("IiiHHI"), (40, size, 2 * size, 1, 4, 0))
                palette = image[40:40 + len(STANDARD_PALETTE)]
                self.assertEqual(palette, STANDARD_PALETTE)
                colour_row = (size // 2 + 3) // 4 * 4
                mask_row = (size // 8 + 3) // 4 * 4
                colours_start = 40 + len(STANDARD_PALETTE)
                mask_start = colours_start + colour_row * size
                self.assertEqual(mask_start + mask_row * size, len(image))
                indices = set()
                for row in range(size):
                    start = colours_start + row * colour_row
                    for byte in image[start:start + size // 2]:
                        indices |= {byte >> 4, byte & 0x0F}
                self.assertLessEqual(indices, GREYS)
                self.assertEqual(image[mask_start:], bytes(mask_row * size))


class Manifest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.assembly = ElementTree.fromstring(only_resource(RT_MANIFEST, 1))

    def test_is_an_assembly(self):
        self.assertEqual(self.assembly.tag, ASM_V1 + "assembly")
        self.assertEqual(self.assembly.get("manifestVersion"), "1.0")

    def test_runs_as_invoker(self):
        # Without it Windows takes a program named "Install" for an installer and
        # elevates it, and HKEY_CURRENT_USER becomes an administrator's.
        levels = self.assembly.findall(
            f"{ASM_V3}trustInfo/{ASM_V3}security/{ASM_V3}requestedPrivileges/"
            f"{ASM_V3}requestedExecutionLevel")
        self.assertEqual([level.get("level") for level in levels], ["asInvoker"])
        self.assertIn(levels[0].get("uiAccess"), (None, "false"))

    def test_asks_for_common_controls_6(self):
        identities = self.assembly.findall(
            f"{ASM_V1}dependency/{ASM_V1}dependentAssembly/{ASM_V1}assemblyIdentity")
        self.assertEqual([identity.attrib for identity in identities], [{
            "type": "win32", "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
            "processorArchitecture": "x86", "publicKeyToken": "6595b64144ccf1df",
            "language": "*"}])

    def test_is_dpi_aware(self):
        # Per-monitor v2 where Windows scales dialogs itself, system awareness
        # on older systems; never the per-monitor awareness of Windows 8.1,
        # which would leave the dialog unscaled on another screen.
        settings = f"{ASM_V3}application/{ASM_V3}windowsSettings/"
        self.assertEqual([element.text for element in self.assembly.findall(
            settings + WINDOWS_SETTINGS_2005 + "dpiAware")], ["true"])
        awareness = self.assembly.findall(settings + WINDOWS_SETTINGS_2016 + "dpiAwareness")
        self.assertEqual([[value.strip().lower() for value in element.text.split(",")]
                          for element in awareness], [["permonitorv2", "system"]])

    def test_supports_windows_vista_to_11(self):
        ids = [supported.get("Id").lower() for supported in self.assembly.findall(
            f"{COMPATIBILITY_V1}compatibility/{COMPATIBILITY_V1}application/"
            f"{COMPATIBILITY_V1}supportedOS")]
        self.assertEqual(sorted(ids), sorted(SUPPORTED_OS_IDS))


class VersionInformation(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.strings = {}
        cls.string_tables = []
        cls.translations = []
        for file_info in program.FileInfo[0]:
            for table in getattr(file_info, "StringTable", []):
                cls.string_tables.append(int(table.LangID, 16))
                cls.strings.update({key.decode(): value.decode()
                                    for key, value in table.entries.items()})
            for var in getattr(file_info, "Var", []):
                words = var.entry.get(b"Translation", "").split()
                cls.translations += [int(word, 16) for word in words]

    def test_names_the_product(self):
        self.assertEqual(self.strings.get("ProductName"), PRODUCT_NAME)
        self.assertTrue(self.strings.get("FileDescription"))

    def test_version_texts_match_the_numbers(self):
        fixed = program.VS_FIXEDFILEINFO[0]
        for text, most, least in (
                ("FileVersion", fixed.FileVersionMS, fixed.FileVersionLS),
                ("ProductVersion", fixed.ProductVersionMS, fixed.ProductVersionLS)):
            with self.subTest(text):
                self.assertNotEqual((most, least), (0, 0))
                numbers = f"{most >> 16}.{most & 0xFFFF}.{least >> 16}.{least & 0xFFFF}"
                self.assertEqual(self.strings.get(text), numbers)

    def test_translation_names_the_string_table(self):
        # Explorer looks up the strings under the language and code page the
        # translation names: English (Australia) in code page 1252.
        self.assertEqual(self.string_tables, [ENGLISH_AUSTRALIA << 16 | 1252])
        self.assertEqual(self.translations, [ENGLISH_AUSTRALIA, 1252])


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit("usage: check_executable.py TellwickPalmInstall.exe [unittest options]")
    program_path = sys.argv.pop(1)
    unittest.main()
