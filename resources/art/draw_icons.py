#!/usr/bin/env python3
"""Draws the library's icons as .ico files (32x32 and 16x16, 32-bit colour).

Run from this folder: python3 draw_icons.py. The .ico files are committed so
that the build needs no Python; rerun this after changing a drawing.
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
