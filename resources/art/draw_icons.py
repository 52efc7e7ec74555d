#!/usr/bin/env python3
"""Draws the library's icons and the wizard's picture from this source.

    python3 draw_icons.py              writes the .ico files and wizard.bmp here
    python3 draw_icons.py --png DIR    also writes PNG copies into DIR to look at

Everything is drawn in the 16 colours of the standard VGA palette, so that the
pictures are the same on a 16-colour display, in 256 colours and above: the
wizard's picture is a 4-bit bitmap, and each icon holds a 4-bit image (for
16 and 256 colours) beside a 32-bit one with the same pixels (for the rest).
The style is the one of the system's own wizards of the time: light grey
computers with a black outline, white lit edges and grey shaded sides, blue
screens, on a teal ground; what links them is a black cable carrying yellow.

view_buttons.bmp is not in the library: it is the view buttons for a host's
toolbar (the sample host's), drawn in the same style, to take the place of
the system's view bitmap.

The files are committed so that the build needs no Python; rerun this after
changing a drawing.
"""
import os
import struct
import sys
import zlib

# The 16 colours of the standard palette, by index.
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)
CLEAR = -1

# 4x4 ordered dither thresholds, 0..15.
BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


class Canvas:
    def __init__(self, w, h, fill=CLEAR):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def put(self, x, y, c):
        x, y = int(round(x)), int(round(y))
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, fill, edge=None):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                on_edge = x in (x0, x1) or y in (y0, y1)
                self.put(x, y, edge if edge is not None and on_edge else fill)

    def dither(self, x0, y0, x1, y1, a, b, amount):
        """A rectangle of a and b mixed: amount(x, y) in 0..1 is b's share."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                share = amount(x, y)
                self.put(x, y, b if share * 16 > BAYER[y % 4][x % 4] + 0.5 else a)

    def line(self, x0, y0, x1, y1, c):
        dx, dy = abs(x1 - x0), abs(y1 - y0)
        steps = max(dx, dy, 1)
        for i in range(steps + 1):
            self.put(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps, c)

    def polygon(self, points, fill, edge=None):
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        for y in range(int(min(ys)), int(max(ys)) + 1):
            for x in range(int(min(xs)), int(max(xs)) + 1):
                if inside(points, x + 0.5, y + 0.5):
                    self.put(x, y, fill)
        if edge is not None:
            for i, (x0, y0) in enumerate(points):
                x1, y1 = points[(i + 1) % len(points)]
                self.line(x0, y0, x1, y1, edge)

    def curve(self, p0, p1, p2, p3, colours, dash=None):
        """A cubic Bezier cable: colours from the outside in (black, then the core)."""
        points = []
        for i in range(0, 201):
            t = i / 200
            u = 1 - t
            x = u ** 3 * p0[0] + 3 * u * u * t * p1[0] + 3 * u * t * t * p2[0] + t ** 3 * p3[0]
            y = u ** 3 * p0[1] + 3 * u * u * t * p1[1] + 3 * u * t * t * p2[1] + t ** 3 * p3[1]
            points.append((x, y))
        radius = len(colours) - 1
        for layer, colour in enumerate(colours):
            r = radius - layer
            for n, (x, y) in enumerate(points):
                if dash and layer == len(colours) - 1 and (n // dash[0]) % 2:
                    colour_here = dash[1]
                else:
                    colour_here = colour
                for oy in range(-r, r + 1):
                    for ox in range(-r, r + 1):
                        if ox * ox + oy * oy <= r * r + r:
                            self.put(x + ox, y + oy, colour_here)


def inside(points, x, y):
    hit = False
    for i, (x0, y0) in enumerate(points):
        x1, y1 = points[(i + 1) % len(points)]
        if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
            hit = not hit
    return hit


# ---- The pieces, drawn at any size from a scale s (1 = the wizard's size)

def monitor(cv, x, y, w, h, depth, screen=True):
    """A monitor seen from the front left: bezel w by h at (x, y), its case
    going back depth pixels up and to the right."""
    d = depth
    cv.polygon([(x, y), (x + d, y - d // 2 - 1), (x + w + d, y - d // 2 - 1), (x + w, y)], WHITE, BLACK)
    cv.polygon([(x + w, y), (x + w + d, y - d // 2 - 1), (x + w + d, y + h - d // 2 - 1 - h // 5),
                (x + w, y + h)], GREY, BLACK)
    cv.rect(x, y, x + w, y + h, SILVER, BLACK)
    if w >= 12:
        cv.line(x + 1, y + 1, x + w - 1, y + 1, WHITE)
        cv.line(x + 1, y + 1, x + 1, y + h - 1, WHITE)
    border = max(1, w // 9)
    sx0, sy0, sx1, sy1 = x + border + 1, y + border + 1, x + w - border - 1, y + h - border - 1 - (1 if h > 12 else 0)
    if screen:
        cv.rect(sx0 - 1, sy0 - 1, sx1 + 1, sy1 + 1, GREY)
        cv.line(sx0 - 1, sy1 + 1, sx1 + 1, sy1 + 1, WHITE)
        cv.line(sx1 + 1, sy0 - 1, sx1 + 1, sy1 + 1, WHITE)
        span = max(1, sy1 - sy0)
        cv.dither(sx0, sy0, sx1, sy1, NAVY, BLUE, lambda px, py: 0.25 + 0.75 * (py - sy0) / span)
    return sx0, sy0, sx1, sy1


def window_on(cv, sx0, sy0, sx1, sy1):
    """A small window on a screen: a navy title bar and a white client."""
    w, h = sx1 - sx0, sy1 - sy0
    x0, y0 = sx0 + w // 5, sy0 + h // 4
    x1, y1 = sx1 - w // 6, sy1 - h // 5
    cv.rect(x0, y0, x1, y1, WHITE, SILVER)
    cv.rect(x0, y0, x1, y0 + max(1, h // 8), NAVY)
    for line_y in range(y0 + max(1, h // 8) + 3, y1 - 1, 3):
        cv.line(x0 + 2, line_y, x0 + 2 + (x1 - x0) * 2 // 3, line_y, GREY)


def system_unit(cv, x, y, w, h, depth):
    """A desktop case lying flat, seen from the front left."""
    d = depth
    cv.polygon([(x, y), (x + d, y - d // 2 - 1), (x + w + d, y - d // 2 - 1), (x + w, y)], WHITE, BLACK)
    cv.polygon([(x + w, y), (x + w + d, y - d // 2 - 1), (x + w + d, y + h - d // 2 - 1), (x + w, y + h)],
               GREY, BLACK)
    cv.rect(x, y, x + w, y + h, SILVER, BLACK)
    cv.line(x + 1, y + 1, x + w - 1, y + 1, WHITE)
    if h >= 8:
        slot_y = y + h // 2
        cv.line(x + w * 11 // 20, slot_y, x + w - 4, slot_y, BLACK)
        cv.line(x + w * 11 // 20, slot_y + 1, x + w - 4, slot_y + 1, WHITE)
        cv.rect(x + 3, y + h - 4, x + 4, y + h - 3, LIME)
    else:
        cv.put(x + 2, y + h - 2, LIME)


def keyboard(cv, x, y, w, h, slant):
    cv.polygon([(x, y + h), (x + w, y + h), (x + w + slant, y), (x + slant, y)], SILVER, BLACK)
    cv.line(x + 1, y + h - 1, x + w - 1, y + h - 1, GREY)
    for row in range(1, h - 1, 2):
        left = x + slant * (h - row) / h + 3
        right = x + w + slant * (h - row) / h - 3
        kx = left
        while kx < right - 1:
            cv.put(kx, y + row, GREY)
            kx += 3


# ---- The wizard's picture

def wizard_picture():
    """120x226: a computer at the bottom reaching another, higher up and
    farther away, over a line, on a teal ground."""
    w, h = 120, 226
    cv = Canvas(w, h, TEAL)
    # The ground: teal that deepens to navy towards the top, and a floor
    # that darkens towards the front.
    cv.dither(0, 0, w - 1, 100, TEAL, NAVY, lambda x, y: max(0.0, 0.55 - y / 180))
    cv.dither(0, 196, w - 1, h - 1, TEAL, BLACK, lambda x, y: (y - 196) / 110)
    # The far computer, up on the right.
    system_unit(cv, 66, 80, 38, 9, 8)
    sx = monitor(cv, 72, 46, 28, 24, 6)
    window_on(cv, *sx)
    cv.rect(82, 71, 90, 73, GREY, BLACK)           # its stand

    # The line between them: from the back of the near computer, down across
    # the floor and up to the far one, with the signal in yellow.
    cv.curve((108, 156), (122, 140), (114, 108), (96, 88), [BLACK, YELLOW])
    cv.curve((96, 88), (94, 86), (92, 84), (90, 83), [BLACK, YELLOW])

    # The near computer, large, at the bottom left.
    system_unit(cv, 6, 170, 76, 20, 14)
    sx = monitor(cv, 12, 112, 58, 50, 12)
    window_on(cv, *sx)
    cv.rect(32, 163, 52, 167, GREY, BLACK)           # its stand
    cv.line(33, 164, 51, 164, SILVER)
    keyboard(cv, 6, 196, 70, 10, 8)
    # A telephone beside it: the line leaves from there.
    cv.polygon([(86, 149), (102, 149), (108, 162), (80, 162)], SILVER, BLACK)
    cv.line(87, 150, 101, 150, WHITE)
    cv.rect(80, 162, 108, 164, GREY, BLACK)
    for row, ky in enumerate((153, 156, 159)):
        for kx in (88 - row, 93, 98 + row):
            cv.rect(kx, ky, kx + 1, ky + 1, WHITE)
            cv.put(kx + 1, ky + 1, GREY)
    cv.rect(81, 144, 107, 147, BLACK)               # the handset
    cv.rect(79, 141, 86, 148, BLACK)
    cv.rect(102, 141, 109, 148, BLACK)
    cv.line(80, 142, 85, 142, GREY)
    cv.line(103, 142, 108, 142, GREY)
    cv.line(86, 145, 102, 145, GREY)
    cv.curve((96, 165), (97, 172), (94, 176), (90, 178), [BLACK, YELLOW])   # computer to phone
    return cv


# ---- The icons, 32 and 16 pixels

def connection(size):
    """An entry: a computer reaching another over a line."""
    cv = Canvas(size, size)
    if size >= 32:
        cv.curve((13, 24), (22, 27), (27, 20), (26, 12), [BLACK, YELLOW])
        system_unit(cv, 15, 10, 14, 3, 2)
        monitor(cv, 17, 1, 10, 8, 2)
        system_unit(cv, 1, 26, 20, 4, 3)
        monitor(cv, 3, 12, 15, 13, 3)
    else:
        cv.curve((6, 12), (11, 14), (13, 10), (12, 6), [BLACK, YELLOW])
        monitor(cv, 8, 1, 6, 5, 1)
        monitor(cv, 1, 7, 8, 7, 1)
        cv.line(1, 15, 9, 15, BLACK)
    return cv


def device(size):
    """A modem: a flat box with its lights, and its line."""
    cv = Canvas(size, size)
    if size >= 32:
        cv.curve((24, 12), (26, 5), (30, 4), (31, 2), [BLACK, YELLOW])
        cv.polygon([(2, 15), (8, 10), (30, 10), (26, 15)], WHITE, BLACK)
        cv.polygon([(26, 15), (30, 10), (30, 19), (26, 24)], GREY, BLACK)
        cv.rect(2, 15, 26, 24, SILVER, BLACK)
        cv.line(3, 16, 25, 16, WHITE)
        for i, colour in enumerate([LIME, LIME, RED, LIME, YELLOW]):
            cv.rect(5 + 4 * i, 20, 6 + 4 * i, 21, colour)
        cv.line(3, 23, 25, 23, GREY)
    else:
        cv.line(12, 6, 15, 2, BLACK)
        cv.polygon([(1, 8), (4, 5), (15, 5), (12, 8)], WHITE, BLACK)
        cv.polygon([(12, 8), (15, 5), (15, 10), (12, 13)], GREY, BLACK)
        cv.rect(1, 8, 12, 13, SILVER, BLACK)
        for i, colour in enumerate([LIME, RED, LIME]):
            cv.put(3 + 3 * i, 11, colour)
    return cv


def card(cv, x, y, w, h):
    """A phone book entry: a card with a little computer and lines of text."""
    cv.rect(x + 1, y + 1, x + w + 1, y + h + 1, GREY)
    cv.rect(x, y, x + w, y + h, WHITE, BLACK)
    if w >= 12:
        cv.rect(x + 2, y + 2, x + 6, y + 5, BLUE, BLACK)
        cv.line(x + 3, y + 6, x + 5, y + 6, BLACK)
        for line_y in range(y + 3, y + h - 1, 3):
            cv.line(x + 8 if line_y < y + 7 else x + 2, line_y, x + w - 2, line_y, GREY)
    else:
        for line_y in range(y + 2, y + h - 1, 2):
            cv.line(x + 2, line_y, x + w - 2, line_y, GREY)


def cross(cv, cx, cy, r, width):
    """The red cross of a removal, outlined in maroon."""
    for layer, colour in ((width + 1, MAROON), (width, RED)):
        for d in range(-r, r + 1):
            for t in range(-(layer // 2), layer - layer // 2):
                cv.put(cx + d + t, cy + d, colour)
                cv.put(cx + d + t, cy - d, colour)


def remove_one(size):
    cv = Canvas(size, size)
    s = size // 16
    card(cv, 3 * s, 1 * s, 10 * s, 12 * s)
    cross(cv, 11 * s, 11 * s, 3 * s + 1, 2 * s)
    return cv


def remove_many(size):
    cv = Canvas(size, size)
    s = size // 16
    card(cv, 1 * s, 0, 8 * s, 9 * s)
    card(cv, 3 * s, 2 * s, 8 * s, 9 * s)
    card(cv, 5 * s, 4 * s, 8 * s, 9 * s)
    cross(cv, 11 * s, 11 * s, 3 * s + 1, 2 * s)
    return cv


# ---- The view buttons of a host's toolbar

def view_buttons():
    """64x16: large icons, small icons, list and details, in the order of the
    system's view bitmap (VIEW_LARGEICONS 0 to VIEW_DETAILS 3), so a host can
    add it in its place and keep the VIEW_ indexes. Silver is the ground, which
    the toolbar maps to the button face."""
    cv = Canvas(64, 16, SILVER)

    def tiny(x, y):                                  # a 3x3 computer
        cv.rect(x, y, x + 3, y + 2, BLUE, BLACK)
        cv.line(x + 1, y + 3, x + 2, y + 3, BLACK)

    for x, y in ((1, 1), (9, 1), (1, 9), (9, 9)):    # large icons
        cv.rect(x, y, x + 5, y + 4, BLUE, BLACK)
        cv.line(x + 1, y + 1, x + 4, y + 1, AQUA)
        cv.line(x + 2, y + 5, x + 3, y + 5, BLACK)
    for x in (17, 25):                               # small icons: rows beside each other
        for y in (2, 7, 12):
            tiny(x, y)
            cv.line(x + 5, y + 1, x + 6, y + 1, BLACK)
    for y in (1, 6, 11):                             # list: one column of rows
        tiny(33, y)
        cv.line(38, y + 1, 46, y + 1, BLACK)
    cv.rect(48, 0, 63, 2, SILVER)                    # details: a header, then rows
    cv.line(49, 1, 62, 1, GREY)
    cv.line(55, 0, 55, 2, GREY)
    for y in (4, 8, 12):
        tiny(49, y)
        cv.line(54, y + 1, 58, y + 1, BLACK)
        cv.line(60, y + 1, 62, y + 1, GREY)
    return cv


# ---- Files

def palette4():
    """The 16 colours as a bitmap's colour table (blue, green, red, 0)."""
    return b''.join(bytes((b, g, r, 0)) for (r, g, b) in PALETTE)


def pixels4(cv):
    """The pixels, two to a byte, bottom row first, rows padded to 4 bytes."""
    row = ((cv.w * 4 + 31) // 32) * 4
    pixels = b''
    for line in reversed(cv.px):
        data = bytearray(row)
        for x, c in enumerate(line):
            data[x // 2] |= max(c, 0) << (4 if x % 2 == 0 else 0)
        pixels += bytes(data)
    return pixels


def write_bitmap(path, cv):
    """A 4-bit bottom-up bitmap with the standard palette."""
    pixels = pixels4(cv)
    palette = palette4()
    info = struct.pack('<IiiHHIIiiII', 40, cv.w, cv.h, 1, 4, 0, len(pixels), 2835, 2835, 16, 16)
    offset = 14 + len(info) + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(header + info + palette + pixels)


def mask(cv):
    """The AND mask: 1 where the icon is clear."""
    mask_row = ((cv.w + 31) // 32) * 4
    out = b''
    for line in reversed(cv.px):
        bits = bytearray(mask_row)
        for x, c in enumerate(line):
            if c == CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def dib4(cv):
    header = struct.pack('<IiiHHIIiiII', 40, cv.w, cv.h * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    return header + palette4() + pixels4(cv) + mask(cv)


def dib32(cv):
    header = struct.pack('<IiiHHIIiiII', 40, cv.w, cv.h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b''
    for line in reversed(cv.px):
        for c in line:
            r, g, b = PALETTE[max(c, 0)]
            pixels += bytes((b, g, r, 0 if c == CLEAR else 255)) if c != CLEAR else bytes(4)
    return header + pixels + mask(cv)


def write_icon(path, canvases):
    """Each size twice: 4-bit first (16 and 256 colours), then 32-bit."""
    images = [(cv, 4, dib4(cv)) for cv in canvases] + [(cv, 32, dib32(cv)) for cv in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for cv, bits, blob in images:
        colours = 16 if bits == 4 else 0
        out += struct.pack('<BBBBHHII', cv.w % 256, cv.h % 256, colours, 0, 1, bits, len(blob), offset)
        offset += len(blob)
    out += b''.join(blob for _, _, blob in images)
    with open(path, 'wb') as f:
        f.write(out)


def write_png(path, cv, zoom, ground=(212, 208, 200)):
    """A copy to look at, zoom times larger, clear pixels in the dialog grey."""
    raw = b''
    for line in cv.px:
        row = b''.join(bytes(PALETTE[c] if c != CLEAR else ground) * zoom for c in line)
        raw += (b'\0' + row) * zoom

    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', cv.w * zoom, cv.h * zoom, 8, 2, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))


ICONS = {
    'remove_entry.ico': remove_one,
    'remove_entries.ico': remove_many,
    'connection.ico': connection,
    'device.ico': device,
}

if __name__ == '__main__':
    preview = sys.argv[2] if len(sys.argv) > 2 and sys.argv[1] == '--png' else None
    for name, draw in ICONS.items():
        write_icon(name, [draw(32), draw(16)])
        if preview:
            write_png(os.path.join(preview, name[:-4] + '-32.png'), draw(32), 8)
            write_png(os.path.join(preview, name[:-4] + '-16.png'), draw(16), 8)
    buttons = view_buttons()
    write_bitmap('view_buttons.bmp', buttons)
    if preview:
        write_png(os.path.join(preview, 'view_buttons.png'), buttons, 8)
    picture = wizard_picture()
    write_bitmap('wizard.bmp', picture)
    if preview:
        write_png(os.path.join(preview, 'wizard.png'), picture, 3)
