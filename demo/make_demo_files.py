#!/usr/bin/python3
"""Writes the demo's two handheld files: small Palm record databases of our
own, each holding memo-style text records that say what they are.

Usage: make_demo_files.py OUTPUT_DIRECTORY

The files it writes are kept in demo/payload beside their File Install List,
so that the demo payload is complete in a fresh clone; run it into that
folder again after changing what they hold.
"""
import datetime
import pathlib
import struct
import sys

# Seconds from the Palm OS epoch, 1904-01-01, to a fixed date, so that every
# run writes the same bytes.
PALM_EPOCH = datetime.datetime(1904, 1, 1)
DATE = int((datetime.datetime(2024, 1, 1) - PALM_EPOCH).total_seconds())

BACKUP_ATTRIBUTE = 0x0008  # Palm Desktop keeps a copy at each HotSync operation
HEADER = struct.Struct(">32sHHIIIIII4s4sIIH")  # 78 bytes
RECORD_ENTRY = struct.Struct(">IB3s")  # data offset, attributes, unique ID
RECORD_LIST_GAP = b"\0\0"  # customary two bytes between the record list and the data
DATABASE_TYPE = b"DATA"
CREATOR = b"QTdm"  # ours, so that no application on the handheld takes them for its own

DEMO_FILES = [
    ("TellwickDemo1.pdb", "Tellwick Demo 1"),
    ("TellwickDemo2.pdb", "Tellwick Demo 2"),
]


def palm_database(name, records):
    """A record database with `records` (bytes each) under the database `name`."""
    data_offset = HEADER.size + RECORD_ENTRY.size * len(records) + len(RECORD_LIST_GAP)
    entries = b""
    for unique_id, record in enumerate(records, start=1):
        entries += RECORD_ENTRY.pack(data_offset, 0, unique_id.to_bytes(3, "big"))
        data_offset += len(record)
    header = HEADER.pack(
        name.encode("ascii"),  # struct pads it with zeros to 32 bytes
        BACKUP_ATTRIBUTE,
        1,  # version
        DATE,  # created
        DATE,  # modified
        0,  # never backed up
        0,  # modification number
        0,  # no application info block
        0,  # no sort info block
        DATABASE_TYPE,
        CREATOR,
        len(records) + 1,  # next unique record ID
        0,  # no further record list
        len(records),
    )
    return header + entries + RECORD_LIST_GAP + b"".join(records)


def memo(text):
    return text.encode("ascii") + b"\0"


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip())
    output = pathlib.Path(sys.argv[1])
    output.mkdir(parents=True, exist_ok=True)
    for number, (file_name, database_name) in enumerate(DEMO_FILES, start=1):
        records = [
            memo(f"Quillmere Tellwick demo file {number}"),
            memo("Installed by the TellwickPalm Install demo. It holds no program and no data."),
        ]
        (output / file_name).write_bytes(palm_database(database_name, records))


if __name__ == "__main__":
    main()
