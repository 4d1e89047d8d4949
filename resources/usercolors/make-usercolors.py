#!/usr/bin/env python3
"""Draws the six tab pictures of the branded Users and Accounts dialog,
user0.bmp to user5.bmp: a square of each user's colour with a darker edge.
Run it here to make them again; it needs nothing beyond Python itself."""

import struct

# The six user colours of the dialog, in order.
COLOURS = [(0, 51, 255), (0, 153, 51), (255, 1, 1), (153, 1, 102), (238, 85, 0), (255, 202, 1)]
SIZE = 12


def bmp(colour):
    edge = tuple(c * 3 // 5 for c in colour)
    row_bytes = (SIZE * 3 + 3) // 4 * 4
    pixels = b""
    for y in range(SIZE):
        row = b""
        for x in range(SIZE):
            r, g, b = edge if x in (0, SIZE - 1) or y in (0, SIZE - 1) else colour
            row += bytes((b, g, r))
        pixels += row + b"\0" * (row_bytes - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


for index, colour in enumerate(COLOURS):
    with open("user%d.bmp" % index, "wb") as out:
        out.write(bmp(colour))
