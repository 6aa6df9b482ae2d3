#!/usr/bin/env python3
"""Turns the text drawing of the handheld into the program's icon file.

Usage: make_icon.py DRAWING.txt OUT.ico

The drawing holds one image per size in SIZES, in that order, each opened by
a line "image NxN" and followed by N rows of N letters from LETTERS. Empty
lines and lines starting with "#" are ignored.
"""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue), in its standard order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# The drawing's letters and the palette entries they stand for.
LETTERS = {"K": 0, "L": 7, "D": 8, "W": 15}

# The images' sizes in the order they are stored: the large one first.
SIZES = (32, 16)


class DrawingError(Exception):
    pass


def read_drawing(path):
    """Returns one image per size in SIZES, each a list of rows of palette indices."""
    images = []  # (header's line number, header, [(row's line number, row)])
    with open(path, encoding="utf-8") as drawing:
        for number, line in enumerate(drawing, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            if line.startswith("image"):
                images.append((number, line, []))
            elif images:
                images[-1][2].append((number, line))
            else:
                raise DrawingError(f'{path}:{number}: pixels before the first "image" line')
    if len(images) != len(SIZES):
        raise DrawingError(f'{path}: {len(images)} "image" lines, expected {len(SIZES)}')
    return [read_image(path, size, *image) for size, image in zip(SIZES, images)]


def read_image(path, size, number, header, rows):
    if header != f"image {size}x{size}":
        raise DrawingError(f'{path}:{number}: expected "image {size}x{size}", found {header!r}')
    if len(rows) != size:
        raise DrawingError(f"{path}:{number}: the image has {len(rows)} rows, expected {size}")
    pixels = []
    for number, row in rows:
        unknown = [letter for letter in row if letter not in LETTERS]
        if unknown:
            raise DrawingError(f"{path}:{number}: unknown character {unknown[0]!r},"
                               f" expected one of {' '.join(LETTERS)}")
        if len(row) != size:
            raise DrawingError(f"{path}:{number}: the row has {len(row)} pixels, expected {size}")
        pixels.append([LETTERS[letter] for letter in row])
    return pixels


def padded(row):
    """Pads a row of bytes to the 4-byte boundary every bitmap row ends on."""
    return row + bytes(-len(row) % 4)


def icon_image(pixels):
    """Returns the image as stored in an icon: header, palette, colour bits, then mask."""
    size = len(pixels)
    # Bitmap rows run bottom-up, two pixels to a byte with the left one high.
    colours = b"".join(
        padded(bytes(row[x] << 4 | row[x + 1] for x in range(0, size, 2)))
        for row in reversed(pixels))
    # An empty mask: every pixel is opaque.
    mask = padded(bytes(size // 8)) * size
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 4, 0,
                         len(colours) + len(mask), 0, 0, 0, 0)
    palette = b"".join(bytes((blue, green, red, 0)) for red, green, blue in PALETTE)
    return header + palette + colours + mask


def icon_file(images):
    """Returns the .ico file: its directory, then the images in the same order."""
    stored = [icon_image(pixels) for pixels in images]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    for pixels, image in zip(images, stored):
        directory += struct.pack("<BBBBHHII", len(pixels), len(pixels), 16, 0, 1, 4,
                                 len(image), offset)
        offset += len(image)
    return directory + b"".join(stored)


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: make_icon.py DRAWING.txt OUT.ico")
    drawing, out = sys.argv[1:]
    try:
        icon = icon_file(read_drawing(drawing))
        with open(out, "wb") as ico:
            ico.write(icon)
    except DrawingError as error:
        sys.exit(f"make_icon.py: {error}")
    except UnicodeDecodeError as error:
        sys.exit(f"make_icon.py: {drawing}: {error}")
    except OSError as error:
        sys.exit(f"make_icon.py: {error}")


if __name__ == "__main__":
    main()
