#!/usr/bin/env python3
"""Draws the program's pictures: caption buttons, message-box icons and the program icon.

The pictures are described by shapes (anti-aliased by their distance to the outline) and written
as 32-bit PNG and ICO files with the standard library only, so the output is the same on every run.
Usage: make-images.py OUTPUT_FOLDER
"""
import math
import os
import struct
import sys
import zlib


def coverage(distance):
    """Share of a pixel inside a shape whose signed distance (negative inside) is given."""
    return max(0.0, min(1.0, 0.5 - distance))


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def capsule(ax, ay, bx, by, r):
    def distance(x, y):
        dx, dy = bx - ax, by - ay
        t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
        t = max(0.0, min(1.0, t))
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy)) - r
    return distance


def box(x0, y0, x1, y1, radius=0.0):
    def distance(x, y):
        qx = abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - radius)
        qy = abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - radius)
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return distance


def ring(shape, width):
    return lambda x, y: abs(shape(x, y) + width / 2) - width / 2


class Canvas:
    def __init__(self, width, height):
        self.width, self.height = width, height
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def paint(self, shape, rgb, alpha=1.0, left=0, top=0, width=None, height=None):
        """Composites a shape in a colour over the canvas (source-over, straight alpha)."""
        width = self.width if width is None else width
        height = self.height if height is None else height
        for y in range(top, top + height):
            for x in range(left, left + width):
                a = coverage(shape(x + 0.5, y + 0.5)) * alpha
                if a <= 0.0:
                    continue
                p = self.pixels[y * self.width + x]
                out = a + p[3] * (1.0 - a)
                for c in range(3):
                    p[c] = (rgb[c] * a + p[c] * p[3] * (1.0 - a)) / out
                p[3] = out

    def rgba_rows(self):
        rows = []
        for y in range(self.height):
            row = bytearray()
            for x in range(self.width):
                p = self.pixels[y * self.width + x]
                row += bytes(round(v * 255) if i == 3 else round(v) for i, v in enumerate(p))
            rows.append(bytes(row))
        return rows


def write_png(path, canvas):
    raw = b"".join(b"\x00" + row for row in canvas.rgba_rows())
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_ico(path, canvases):
    images = []
    for canvas in canvases:
        size = canvas.width
        rows = canvas.rgba_rows()
        xor = b"".join(bytes(v for px in range(size) for v in (row[4 * px + 2], row[4 * px + 1],
                                                                   row[4 * px], row[4 * px + 3]))
                       for row in reversed(rows))
        mask_stride = ((size + 31) // 32) * 4
        and_mask = bytes(mask_stride * size)
        info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                           len(xor) + len(and_mask), 0, 0, 0, 0)
        images.append((size, info + xor + and_mask))
    offset = 6 + 16 * len(images)
    directory = b""
    for size, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)) + directory + b"".join(d for _, d in images))


WHITE = (255, 255, 255)
GLYPH = (108, 108, 108)
GLYPH_ACTIVE = (60, 60, 60)
CLOSE_ACTIVE = (232, 60, 60)
BACKING = (0, 0, 0)


def caption_buttons(glyph, active=GLYPH_ACTIVE):
    """36 x 12: cells for normal, hover and pushed; a grey glyph for the white caption strip,
    darker (or red, for close) on a faint grey backing when active."""
    canvas = Canvas(36, 12)
    for cell, backing in enumerate((0.0, 0.08, 0.16)):
        left = cell * 12
        if backing:
            canvas.paint(box(left, 0, left + 12, 12, 2.5), BACKING, backing, left, 0, 12, 12)
        for shape in glyph(left):
            canvas.paint(shape, active if backing else GLYPH, 1.0, left, 0, 12, 12)
    return canvas


def close_glyph(left):
    return [capsule(left + 3, 3, left + 9, 9, 0.75), capsule(left + 9, 3, left + 3, 9, 0.75)]


def min_glyph(left):
    return [capsule(left + 2.75, 8.5, left + 9.25, 8.5, 0.75)]


def max_glyph(left):
    return [ring(box(left + 2.5, 2.5, left + 9.5, 9.5, 0.5), 1.4)]


def message_icons():
    """384 x 96: information, warning, error and success, each a disc with its mark."""
    canvas = Canvas(384, 96)
    discs = ((0x41, 0x8D, 0xFF), (0xF5, 0xA6, 0x23), (0xE8, 0x3C, 0x3C), (0x2E, 0xB8, 0x5C))
    for cell, rgb in enumerate(discs):
        cx = cell * 96 + 48
        area = dict(left=cell * 96, top=0, width=96, height=96)
        canvas.paint(circle(cx, 48, 40), rgb, 1.0, **area)
        if cell == 0:
            marks = [circle(cx, 27, 6), capsule(cx, 42, cx, 70, 5.5)]
        elif cell == 1:
            marks = [capsule(cx, 24, cx, 54, 5.5), circle(cx, 69, 6)]
        elif cell == 3:
            marks = [capsule(cx - 19, 50, cx - 6, 63, 5.5), capsule(cx - 6, 63, cx + 19, 35, 5.5)]
        else:
            marks = [capsule(cx - 16, 32, cx + 16, 64, 5.5), capsule(cx + 16, 32, cx - 16, 64, 5.5)]
        for mark in marks:
            canvas.paint(mark, WHITE, 1.0, **area)
    return canvas


def program_icon(size):
    """A red tile holding a two-by-two tessellation of white tiles."""
    canvas = Canvas(size, size)
    s = size / 16.0
    canvas.paint(box(0.5 * s, 0.5 * s, 15.5 * s, 15.5 * s, 3 * s), (0xE8, 0x3C, 0x3C))
    for tx, ty in ((0, 0), (1, 0), (0, 1), (1, 1)):
        x0, y0 = (3 + tx * 5.5) * s, (3 + ty * 5.5) * s
        alpha = 1.0 if (tx + ty) % 2 == 0 else 0.7
        canvas.paint(box(x0, y0, x0 + 4.5 * s, y0 + 4.5 * s, 1 * s), WHITE, alpha)
    return canvas


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_png(os.path.join(out, "btn_sys_close.png"), caption_buttons(close_glyph, CLOSE_ACTIVE))
    write_png(os.path.join(out, "btn_sys_min.png"), caption_buttons(min_glyph))
    write_png(os.path.join(out, "btn_sys_max.png"), caption_buttons(max_glyph))
    write_png(os.path.join(out, "msgbox_tips.png"), message_icons())
    write_ico(os.path.join(out, "tessel.ico"), [program_icon(16), program_icon(32), program_icon(48)])


if __name__ == "__main__":
    main()
