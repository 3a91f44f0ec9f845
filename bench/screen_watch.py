#!/usr/bin/env python3
"""Starts a program and watches the X screen: when did its window first show pixels, and when did
the page inside it appear?

The screen is read with XGetImage every few milliseconds from the moment the program is started
until it has been still for a while (or a time limit). Afterwards each grab is compared with the
last one, on a grid of points:
  - the window is where the last grab differs from the screen before the start;
  - first paint: the first grab in which most of the window's points already differ from the
    screen before the start (the window shows pixels of its own, whatever they are);
  - first page (with --page X0,Y0,X1,Y1, fractions of the window): the first grab in which the
    points of that part of the window that change after the first paint all show their last
    colour.
Prints "first-paint-ms N" and "first-page-ms N" (-1 when not seen), then ends the program.

Usage: screen_watch.py [--page X0,Y0,X1,Y1] [--settle S] [--limit S] [--save-last PNG] -- COMMAND...
"""
import argparse
import ctypes
import ctypes.util
import os
import signal
import subprocess
import sys
import time

STEP = 12  # grid spacing in pixels
MATCH = 0.9  # share of the points that must agree


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Screen:
    """Grabs the root window of $DISPLAY, reduced to every STEP-th pixel of every STEP-th row."""

    def __init__(self):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XGetImage.restype = ctypes.POINTER(XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                     ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x.XFree.argtypes = [ctypes.c_void_p]
        self.x.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.display = self.x.XOpenDisplay(None)
        if not self.display:
            sys.exit("screen_watch: cannot open the display %s" % os.environ.get("DISPLAY"))
        self.root = self.x.XDefaultRootWindow(self.display)
        self.width = self.x.XDisplayWidth(self.display, 0)
        self.height = self.x.XDisplayHeight(self.display, 0)
        self.columns = self.width // STEP
        self.rows = self.height // STEP

    def grab(self):
        """The grid's pixels as bytes, 4 per point (BGRX), row after row."""
        image = self.x.XGetImage(self.display, self.root, 0, 0, self.width, self.height,
                                 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            sys.exit("screen_watch: XGetImage failed")
        stride = image.contents.bytes_per_line
        raw = ctypes.string_at(image.contents.data, stride * self.height)
        self.x.XFree(image.contents.data)
        self.x.XFree(image)
        points = bytearray()
        row_bytes = self.columns * STEP * 4
        for row in range(self.rows):
            line = raw[row * STEP * stride:row * STEP * stride + row_bytes]
            # Every STEP-th pixel: four byte slices interleaved back together.
            pixel = bytearray(self.columns * 4)
            for byte in range(4):
                pixel[byte::4] = line[byte::STEP * 4]
            points += pixel
        return bytes(points)


def pixel(frame, index):
    return frame[index * 4:index * 4 + 3]


def differs(a, b):
    return max(abs(x - y) for x, y in zip(a, b)) > 24


def save_png(path, screen, frame):
    """Writes the grid as a small picture (for looking at what was measured)."""
    import struct
    import zlib
    rows = b"".join(b"\0" + bytes(v for i in range(screen.columns)
                                   for v in reversed(pixel(frame, r * screen.columns + i)))
                    for r in range(screen.rows))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", screen.columns, screen.rows, 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


def window_points(screen, before, last):
    """Indices of the grid points where the window ended up, and its bounding box."""
    points = [i for i in range(screen.columns * screen.rows)
              if differs(pixel(before, i), pixel(last, i))]
    if not points:
        return [], None
    cols = [i % screen.columns for i in points]
    rows = [i // screen.columns for i in points]
    return points, (min(cols), min(rows), max(cols) + 1, max(rows) + 1)


def first_paint(frames, before, points):
    for stamp, frame in frames:
        changed = sum(differs(pixel(before, i), pixel(frame, i)) for i in points)
        if changed >= MATCH * len(points):
            return stamp, frame
    return None, None


def first_page(screen, frames, painted, last, box, page):
    x0, y0, x1, y1 = box
    fx0, fy0, fx1, fy1 = page
    px0, px1 = int(x0 + fx0 * (x1 - x0)), int(x0 + fx1 * (x1 - x0))
    py0, py1 = int(y0 + fy0 * (y1 - y0)), int(y0 + fy1 * (y1 - y0))
    area = [r * screen.columns + c for r in range(py0, py1) for c in range(px0, px1)]
    own = [i for i in area if differs(pixel(painted, i), pixel(last, i))]
    if len(own) < 20:
        return None, len(own)
    for stamp, frame in frames:
        same = sum(not differs(pixel(frame, i), pixel(last, i)) for i in own)
        if same >= MATCH * len(own):
            return stamp, len(own)
    return None, len(own)


def end(process):
    try:
        os.killpg(process.pid, signal.SIGTERM)
    except ProcessLookupError:
        pass
    try:
        process.wait(10)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        process.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", help="part of the window showing the page, X0,Y0,X1,Y1")
    parser.add_argument("--settle", type=float, default=3.0,
                        help="seconds the screen must stay still at the end")
    parser.add_argument("--limit", type=float, default=40.0, help="seconds to watch at most")
    parser.add_argument("--save-last", help="write the last grab to this PNG file")
    parser.add_argument("--save-all", help="write every grab to this folder, named by its time")
    parser.add_argument("command", nargs="+")
    args = parser.parse_args()

    screen = Screen()
    before = screen.grab()
    start = time.monotonic()
    process = subprocess.Popen(args.command, start_new_session=True, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    frames = []
    still_since = start
    try:
        while time.monotonic() - start < args.limit:
            frame = screen.grab()
            now = time.monotonic()
            if frames and frame != frames[-1][1]:
                still_since = now
            if not frames or frame != frames[-1][1]:
                frames.append(((now - start) * 1000, frame))
            if frames[-1][1] != before and now - still_since > args.settle:
                break
            time.sleep(0.005)
    finally:
        end(process)

    last = frames[-1][1]
    if args.save_last:
        save_png(args.save_last, screen, last)
    if args.save_all:
        os.makedirs(args.save_all, exist_ok=True)
        for stamp, frame in frames:
            save_png(os.path.join(args.save_all, "%06.0f.png" % stamp), screen, frame)
    points, box = window_points(screen, before, last)
    if not points:
        print("first-paint-ms -1\nfirst-page-ms -1")
        return 1
    painted_at, painted = first_paint(frames, before, points)
    print("first-paint-ms %.0f" % (painted_at if painted_at is not None else -1))
    if args.page:
        page = [float(v) for v in args.page.split(",")]
        page_at, count = first_page(screen, frames, painted, last, box, page)
        print("first-page-ms %.0f" % (page_at if page_at is not None else -1))
        print("page-points %d" % count)
    print("grabs %d" % len(frames))
    return 0


if __name__ == "__main__":
    sys.exit(main())
