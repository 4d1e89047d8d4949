#!/usr/bin/env python3
"""Draws the control's pictures: the 24 provider icons, the button
pictures, the share picture and the three tray-size samples. Run it here
to make the PNG files again; it needs nothing beyond Python itself."""

import math
import struct
import zlib

FONT = {  # 5 x 7, one string per row, "#" set
    'A': [" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'B': ["#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "],
    'C': [" ####", "#    ", "#    ", "#    ", "#    ", "#    ", " ####"],
    'D': ["#### ", "#   #", "#   #", "#   #", "#   #", "#   #", "#### "],
    'E': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"],
    'F': ["#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#    "],
    'G': [" ####", "#    ", "#    ", "# ###", "#   #", "#   #", " ####"],
    'H': ["#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"],
    'I': ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "#####"],
    'L': ["#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"],
    'M': ["#   #", "## ##", "# # #", "# # #", "#   #", "#   #", "#   #"],
    'N': ["#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"],
    'R': ["#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"],
    'S': [" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "],
    'T': ["#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "],
    'V': ["#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "],
    'W': ["#   #", "#   #", "#   #", "# # #", "# # #", "## ##", "#   #"],
    'X': ["#   #", "#   #", " # # ", "  #  ", " # # ", "#   #", "#   #"],
    'Y': ["#   #", "#   #", " # # ", "  #  ", "  #  ", "  #  ", "  #  "],
    'Z': ["#####", "    #", "   # ", "  #  ", " #   ", "#    ", "#####"],
    'h': ["#    ", "#    ", "# ## ", "##  #", "#   #", "#   #", "#   #"],
    'a': ["     ", "     ", " ### ", "    #", " ####", "#   #", " ####"],
    'e': ["     ", "     ", " ### ", "#   #", "#####", "#    ", " ### "],
    'r': ["     ", "     ", "# ## ", "##  #", "#    ", "#    ", "#    "],
    '$': ["  #  ", " ####", "# #  ", " ### ", "  # #", "#### ", "  #  "],
    '+': ["     ", "  #  ", "  #  ", "#####", "  #  ", "  #  ", "     "],
    '?': [" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "],
}


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[(0, 0, 0, 0)] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour if len(colour) == 4 else colour + (255,)

    def rounded(self, x0, y0, x1, y1, radius, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                cx = min(max(x, x0 + radius), x1 - 1 - radius)
                cy = min(max(y, y0 + radius), y1 - 1 - radius)
                if (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius + 0.5:
                    self.put(x, y, colour)

    def disc(self, cx, cy, r, colour, inner=0.0):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if inner <= d <= r:
                    self.put(x, y, colour)

    def arc(self, cx, cy, r, width, start, end, colour):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                a = math.degrees(math.atan2(-(y + 0.5 - cy), x + 0.5 - cx)) % 360
                if r - width <= d <= r and start <= a <= end:
                    self.put(x, y, colour)

    def triangle(self, p, q, r, colour):
        def side(a, b, c):
            return (c[0] - a[0]) * (b[1] - a[1]) - (c[1] - a[1]) * (b[0] - a[0])
        for y in range(self.height):
            for x in range(self.width):
                pt = (x + 0.5, y + 0.5)
                s1, s2, s3 = side(p, q, pt), side(q, r, pt), side(r, p, pt)
                if (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0):
                    self.put(x, y, colour)

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, colour)

    def text(self, x, y, words, colour, scale=1):
        for ch in words:
            glyph = FONT[ch]
            for row, line in enumerate(glyph):
                for col, cell in enumerate(line):
                    if cell == '#':
                        self.rect(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, colour)
            x += 6 * scale

    def save(self, path):
        raw = b''.join(b'\0' + bytes(c for px in row for c in px) for row in self.pixels)
        def chunk(kind, data):
            body = kind + data
            return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body) & 0xffffffff)
        png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', self.width, self.height, 8, 6, 0, 0, 0))
        png += chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b'')
        with open(path, 'wb') as f:
            f.write(png)


WHITE = (255, 255, 255)
PROVIDERS = [  # icon index: monogram, background
    ('A', (230, 120, 20)), ('AF', (60, 90, 160)), ('AV', (40, 80, 190)), ('a', (35, 35, 35)),
    ('B', (120, 70, 40)), ('EB', (20, 60, 120)), ('$', (30, 140, 60)), ('C', (200, 20, 20)),
    ('e', (210, 40, 60)), ('+', (200, 40, 40)), ('E', (90, 60, 160)), ('E', (30, 120, 140)),
    ('R', (180, 40, 40)), ('S', (190, 10, 10)), ('FX', (80, 30, 130)), ('G', (50, 110, 230)),
    ('h', (230, 130, 0)), ('M', (220, 180, 20)), ('M', (0, 120, 200)), ('D', (40, 90, 150)),
    ('T', (220, 50, 30)), ('Z', (40, 60, 120)), ('W', (20, 90, 170)), ('Y', (120, 20, 160)),
]


def provider(index, words, colour):
    c = Canvas(16, 16)
    c.rounded(0, 0, 16, 16, 3, colour)
    width = 6 * len(words) - 1
    c.text((16 - width) // 2, 4 + (1 if words.islower() else 0) - (1 if words.islower() else 0), words, WHITE)
    c.save('search-%02d.png' % index)


def arrow_circle(c, cx, cy, r, colour):
    c.arc(cx, cy, r, 2.2, 40, 330, colour)
    tip_angle = math.radians(40)
    tx, ty = cx + (r - 1) * math.cos(tip_angle), cy - (r - 1) * math.sin(tip_angle)
    c.triangle((tx - 4, ty - 1), (tx + 3, ty - 1), (tx + 1, ty + 5), colour)


def buttons():
    c = Canvas(16, 16)
    c.triangle((3, 6), (13, 6), (8, 12), (40, 40, 40))
    c.save('provider.png')

    c = Canvas(16, 16)
    arrow_circle(c, 8, 8.5, 7, (30, 140, 60))
    c.save('update-current.png')

    c = Canvas(16, 16)
    arrow_circle(c, 8, 8.5, 7, (30, 90, 190))
    c.disc(8, 8.5, 2.2, (30, 90, 190))
    c.save('update-all.png')

    c = Canvas(16, 16)
    grey = (90, 90, 100)
    for k in range(8):
        a = math.radians(k * 45)
        c.disc(8 + 5.5 * math.cos(a), 8 + 5.5 * math.sin(a), 1.8, grey)
    c.disc(8, 8, 5.2, grey, 2.0)
    c.save('preferences.png')

    c = Canvas(16, 16)
    c.disc(8, 8, 7.6, (40, 110, 200))
    c.text(6 - 0, 4, '?', WHITE)
    c.save('faq.png')

    c = Canvas(64, 19)
    c.rounded(0, 0, 64, 19, 4, (240, 150, 30))
    c.rect(5, 5, 19, 14, WHITE)
    c.triangle((5, 5), (19, 5), (12, 10), (240, 150, 30))
    c.triangle((6, 5), (18, 5), (12, 9), WHITE)
    c.text(23, 6, 'S', WHITE)
    c.text(29, 6, 'h', WHITE)
    c.text(35, 6, 'a', WHITE)
    c.text(41, 6, 'r', WHITE)
    c.text(47, 6, 'e', WHITE)
    c.save('share.png')


def tray(size, name):
    c = Canvas(size, size)
    c.rounded(0, 0, size, size, max(2, size // 6), (230, 140, 20))
    scale = max(1, size // 12)
    c.text((size - 5 * scale) // 2, (size - 7 * scale) // 2, 'L', WHITE, scale)
    c.save(name)


if __name__ == '__main__':
    for i, (words, colour) in enumerate(PROVIDERS):
        provider(i, words, colour)
    buttons()
    tray(16, 'tray-small.png')
    tray(24, 'tray-default.png')
    tray(32, 'tray-large.png')
