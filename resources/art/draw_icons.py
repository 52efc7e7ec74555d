#!/usr/bin/env python3
"""Draws the library's icons as .ico files (32x32 and 16x16, 32-bit colour)
and the wizard's picture as a 16-colour bitmap (120x226).

Run from this folder: python3 draw_icons.py. The files are committed so that
the build needs no Python; rerun this after changing a drawing.
"""
import struct

WHITE = (255, 255, 255, 255)
PAPER = (250, 250, 240, 255)
EDGE = (64, 64, 80, 255)
LINE = (150, 150, 170, 255)
RED = (200, 30, 30, 255)
CLEAR = (0, 0, 0, 0)


def canvas(size):
    return [[CLEAR] * size for _ in range(size)]


def rect(img, x0, y0, x1, y1, fill, edge=None):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            on_edge = x in (x0, x1) or y in (y0, y1)
            img[y][x] = edge if (edge and on_edge) else fill


def card(img, x0, y0, w, h):
    """An entry: a card with a few text lines."""
    rect(img, x0, y0, x0 + w - 1, y0 + h - 1, PAPER, EDGE)
    step = max(2, h // 6)
    for y in range(y0 + step, y0 + h - step, step):
        for x in range(x0 + 2, x0 + w - 3):
            img[y][x] = LINE


def cross(img, cx, cy, r, width):
    """The red cross of a removal."""
    n = len(img)
    for d in range(-r, r + 1):
        for t in range(width):
            for (x, y) in ((cx + d + t, cy + d), (cx + d + t, cy - d)):
                if 0 <= x < n and 0 <= y < n:
                    img[y][x] = RED


def remove_one(size):
    img = canvas(size)
    s = size / 32
    card(img, int(4 * s), int(3 * s), int(20 * s), int(24 * s))
    cross(img, int(22 * s), int(22 * s), int(7 * s), max(1, int(3 * s)))
    return img


def remove_many(size):
    img = canvas(size)
    s = size / 32
    card(img, int(2 * s), int(2 * s), int(16 * s), int(20 * s))
    card(img, int(7 * s), int(6 * s), int(16 * s), int(20 * s))
    card(img, int(12 * s), int(10 * s), int(16 * s), int(20 * s))
    cross(img, int(22 * s), int(22 * s), int(7 * s), max(1, int(3 * s)))
    return img


BLUE = (40, 80, 160, 255)
SCREEN = (150, 200, 240, 255)
GREY = (128, 128, 128, 255)
DARK = (0, 0, 0, 255)
GREEN = (0, 128, 0, 255)


def monitor(img, x0, y0, w, h):
    """A small computer screen on a stand."""
    rect(img, x0, y0, x0 + w - 1, y0 + h - 1, SCREEN, EDGE)
    stand = x0 + w // 2
    for y in range(y0 + h, min(len(img), y0 + h + max(1, h // 5))):
        img[y][stand] = EDGE
        if stand + 1 < len(img):
            img[y][stand + 1] = EDGE
    base_y = min(len(img) - 1, y0 + h + max(1, h // 5))
    for x in range(stand - w // 4, stand + w // 4 + 2):
        if 0 <= x < len(img):
            img[base_y][x] = EDGE


def connection(size):
    """An entry: two computers joined by a line."""
    img = canvas(size)
    s = size / 32
    monitor(img, int(1 * s), int(4 * s), int(12 * s), int(10 * s))
    monitor(img, int(19 * s), int(14 * s), int(12 * s), int(10 * s))
    for t in range(int(13 * s), int(19 * s)):
        y = int(9 * s) + (t - int(13 * s)) * int(10 * s) // max(1, int(6 * s))
        if 0 <= y < size:
            img[y][t] = BLUE
            if y + 1 < size:
                img[y + 1][t] = BLUE
    return img


def device(size):
    """A modem: a box with lights."""
    img = canvas(size)
    s = size / 32
    rect(img, int(3 * s), int(11 * s), int(28 * s), int(22 * s), GREY, EDGE)
    for i in range(4):
        x = int((7 + 5 * i) * s)
        rect(img, x, int(18 * s), x + max(1, int(2 * s)), int(19 * s), GREEN if i % 2 == 0 else RED)
    for y in range(int(5 * s), int(11 * s)):
        img[y][int(24 * s)] = EDGE
    return img


# The 16 colours of the standard palette.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def wizard_picture():
    """120x226: a sky, a horizon and two computers joined across it."""
    w, h = 120, 226
    img = [[4 if y < 110 else (6 if y < 120 else 2) for x in range(w)] for y in range(h)]
    for y in range(0, 110):                      # a lighter band of sky
        for x in range(w):
            if (x + y) % 7 == 0 and y < 60:
                img[y][x] = 12

    def box(x0, y0, x1, y1, fill, edge=0):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                img[y][x] = edge if x in (x0, x1) or y in (y0, y1) else fill

    box(10, 130, 50, 160, 14)                    # left screen
    box(26, 161, 34, 168, 8)
    box(16, 169, 44, 172, 8)
    box(70, 170, 110, 200, 14)                   # right screen
    box(86, 201, 94, 208, 8)
    box(76, 209, 104, 212, 8)
    for i in range(40):                          # the link between them
        x, y = 50 + i // 2 + 2, 150 + i
        if 0 <= x < w and 0 <= y < h:
            img[y][x] = 11
            img[y][x + 1] = 11
    return img


def write_bitmap(path, img):
    h, w = len(img), len(img[0])
    row = ((w * 4 + 31) // 32) * 4
    pixels = b''
    for line in reversed(img):
        data = bytearray(row)
        for x, c in enumerate(line):
            data[x // 2] |= c << (4 if x % 2 == 0 else 0)
        pixels += bytes(data)
    palette = b''.join(bytes((b, g, r, 0)) for (r, g, b) in PALETTE)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(header + info + palette + pixels)


def dib(img):
    size = len(img)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''.join(bytes((b, g, r, a)) for row in reversed(img) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    mask = b''
    for row in reversed(img):
        line = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(line)
    return header + pixels + mask


def write_icon(path, images):
    data = [dib(img) for img in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for img, blob in zip(images, data):
        size = len(img)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    out += b''.join(data)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    write_icon('remove_entry.ico', [remove_one(32), remove_one(16)])
    write_icon('remove_entries.ico', [remove_many(32), remove_many(16)])
    write_icon('connection.ico', [connection(32), connection(16)])
    write_icon('device.ico', [device(32), device(16)])
    write_bitmap('wizard.bmp', wizard_picture())
