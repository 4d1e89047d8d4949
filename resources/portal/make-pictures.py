#!/usr/bin/env python3
"""Draws the portal's pictures: the window icon Lanternbay.ico and the two
tray pictures under images/internal. Run it here to make them again; it
needs nothing beyond Python itself."""

import struct
import zlib

NIGHT = (11, 34, 57)
FLAME = (255, 209, 102)
GLASS = (255, 236, 179)
FRAME = (190, 120, 40)


def lantern(size, background):
    """A lantern on a round night-blue ground: rows of (r, g, b, a)."""
    s = size / 32.0
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            cx, cy = (x + 0.5) / s, (y + 0.5) / s
            colour = background
            if (cx - 16) ** 2 + (cy - 16) ** 2 <= 15.5 ** 2:
                colour = NIGHT + (255,)
            if 13 <= cx <= 19 and 3 <= cy <= 6:           # handle
                colour = FRAME + (255,)
            if 9 <= cx <= 23 and 6 <= cy <= 9:            # cap
                colour = FRAME + (255,)
            if 10 <= cx <= 22 and 9 <= cy <= 24:          # glass
                colour = GLASS + (255,)
            if 14 <= cx <= 18 and 13 <= cy <= 21:         # flame
                colour = FLAME + (255,)
            if (cx < 11 or cx > 21) and 9 <= cy <= 24 and 10 <= cx <= 22:
                colour = FRAME + (255,)
            if 9 <= cx <= 23 and 24 <= cy <= 27:          # base
                colour = FRAME + (255,)
            row.append(colour)
        pixels.append(row)
    return pixels


def png(pixels):
    height, width = len(pixels), len(pixels[0])
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    """An icon file holding PNG images."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, data = b"", b""
    for pixels in images:
        blob = png(pixels)
        size = len(pixels)
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset + len(data))
        data += blob
    return header + entries + data


def bmp(pixels):
    """A 24-bit bottom-up bitmap."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * 3 + 3) & ~3
    body = b""
    for row in reversed(pixels):
        line = b"".join(bytes((p[2], p[1], p[0])) for p in row)
        body += line + b"\x00" * (stride - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    return header + info + body


with open("Lanternbay.ico", "wb") as f:
    f.write(ico([lantern(32, (0, 0, 0, 0)), lantern(16, (0, 0, 0, 0))]))
# The tray pictures have no transparency: the XP one sits on the blue task
# bar of that system, the other on a grey one.
with open("images/internal/tray-small-xp.bmp", "wb") as f:
    f.write(bmp(lantern(16, (36, 94, 219, 255))))
with open("images/internal/tray-small-nonxp.bmp", "wb") as f:
    f.write(bmp(lantern(16, (212, 208, 200, 255))))
