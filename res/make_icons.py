#!/usr/bin/env python3
"""Draws the program's pictures at every size the screen may ask for:

- the icons (.ico: 16, 20, 24, 32, 40, 48 and 256 pixels, 32-bit with alpha, the
  256-pixel image stored as PNG as Windows expects it);
- the View Mail toolbar strip at 100, 150 and 200 % (18, 27 and 36 pixel cells,
  32-bit with alpha, for an image list);
- the sort marks at the same three scales (24-bit, whole pixels, in the greys
  that the header maps to the user's 3-D colours).

Each picture is drawn once, in design units, and rendered at each size with
anti-aliased edges; rectangles snap to whole pixels so that they stay sharp.
Run once after changing a drawing; the files are committed beside it.
"""
import math
import struct
import sys
import zlib
from pathlib import Path

ICON_SIZES = (32, 16, 20, 24, 40, 48, 256)  # 32 first: the guide's tray pictures take image [0]
SCALES = {100: "", 150: "150", 200: "200"}  # toolbar and sort mark file suffixes


class Canvas:
    """Straight-alpha RGBA pixels, painted in design units that `scale` turns into pixels."""

    def __init__(self, w, h, scale=1.0, fill=(0, 0, 0, 0)):
        self.w, self.h, self.s = w, h, scale
        self.px = [[fill] * w for _ in range(h)]
        # Small pictures get finer sampling: each edge pixel matters more there.
        n = 5 if max(w, h) <= 96 else 3
        self.offsets = [(i + 0.5) / n for i in range(n)]

    def px_len(self, design, least=1.0):
        """A stroke width or length in pixels, never thinner than `least` pixels."""
        return max(least, design * self.s)

    def paint(self, inside, box, colour):
        """Paints colour where inside(x, y) holds (pixel co-ordinates), weighted by coverage."""
        x0, y0, x1, y1 = box
        samples = len(self.offsets) ** 2
        for y in range(max(0, math.floor(y0)), min(self.h, math.ceil(y1))):
            for x in range(max(0, math.floor(x0)), min(self.w, math.ceil(x1))):
                hits = sum(1 for dy in self.offsets for dx in self.offsets if inside(x + dx, y + dy))
                if hits:
                    self.blend(x, y, colour, hits / samples)

    def blend(self, x, y, colour, coverage):
        r, g, b, a = colour
        sa = a / 255 * coverage
        dr, dg, db, da = self.px[y][x]
        da /= 255
        oa = sa + da * (1 - sa)
        if oa <= 0:
            return
        mix = [round((c * sa + d * da * (1 - sa)) / oa) for c, d in ((r, dr), (g, dg), (b, db))]
        self.px[y][x] = (*mix, round(oa * 255))

    # Shapes, in design units.

    def rect(self, x0, y0, x1, y1, colour):
        """A rectangle with its edges on whole pixels."""
        s = self.s
        X0, Y0, X1, Y1 = (math.floor(v * s + 0.5) for v in (x0, y0, x1, y1))
        X1, Y1 = max(X1, X0 + 1), max(Y1, Y0 + 1)
        for y in range(max(0, Y0), min(self.h, Y1)):
            for x in range(max(0, X0), min(self.w, X1)):
                self.blend(x, y, colour, 1.0)

    def disc(self, cx, cy, r, colour):
        s = self.s
        cx, cy, r = cx * s, cy * s, r * s
        self.paint(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r, (cx - r, cy - r, cx + r, cy + r), colour)

    def line(self, x0, y0, x1, y1, width, colour, least=1.0):
        """A stroke with round ends, at least `least` pixels wide."""
        s = self.s
        x0, y0, x1, y1 = x0 * s, y0 * s, x1 * s, y1 * s
        h = self.px_len(width, least) / 2
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9

        def inside(x, y):
            t = min(1.0, max(0.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            return (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= h * h

        self.paint(inside, (min(x0, x1) - h, min(y0, y1) - h, max(x0, x1) + h, max(y0, y1) + h), colour)

    def polygon(self, points, colour):
        """A convex polygon."""
        pts = [(x * self.s, y * self.s) for x, y in points]

        def inside(x, y):
            sides = [(bx - ax) * (y - ay) - (by - ay) * (x - ax)
                     for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1])]
            return all(d >= 0 for d in sides) or all(d <= 0 for d in sides)

        xs, ys = [p[0] for p in pts], [p[1] for p in pts]
        self.paint(inside, (min(xs), min(ys), max(xs), max(ys)), colour)

    def arc(self, cx, cy, r, width, start, sweep, colour):
        """A band along a circle, from `start` degrees (anticlockwise from east) over `sweep`."""
        s = self.s
        cx, cy, r = cx * s, cy * s, r * s
        h = self.px_len(width, 1.5) / 2

        def inside(x, y):
            d = math.hypot(x - cx, y - cy)
            if abs(d - r) > h:
                return False
            a = math.degrees(math.atan2(cy - y, x - cx))
            return (a - start) % 360 <= sweep

        self.paint(inside, (cx - r - h, cy - r - h, cx + r + h, cy + r + h), colour)

    def wave(self, x0, x1, f, width, colour):
        """A stroke with round ends along y = f(x) (design units), for a gentle curve."""
        s = self.s
        h = self.px_len(width, 1.5) / 2

        def inside(x, y):
            xd, yd = x / s, y / s
            slope = (f(xd + 0.01) - f(xd - 0.01)) / 0.02
            gap = yd - f(xd)
            # The foot of the point on the curve, to first order; past the ends, the round caps.
            foot = min(x1, max(x0, xd + slope * gap / (1 + slope * slope)))
            if foot != xd + slope * gap / (1 + slope * slope):
                return (x - foot * s) ** 2 + (y - f(foot) * s) ** 2 <= h * h
            return abs(gap) * s / math.sqrt(1 + slope * slope) <= h

        self.paint(inside, (x0 * s - h, 0, x1 * s + h, self.h), colour)

    def paste(self, other, x0):
        for y, row in enumerate(other.px):
            for x, (r, g, b, a) in enumerate(row):
                if a:
                    self.blend(x0 + x, y, (r, g, b, a), 1.0)


WHITE = (255, 255, 255, 255)
BLUE = (40, 110, 200, 255)
INFO_BLUE = (30, 90, 180, 255)
RED = (200, 20, 20, 255)
GREEN = (20, 140, 40, 255)
PAPER = (255, 250, 220, 255)

# Icons: drawn on a 32-unit square.


def icon_canvas(n):
    return Canvas(n, n, n / 32)


def tide(n):
    """The plain program icon: a blue disc with a white wave."""
    c = icon_canvas(n)
    c.disc(16, 16, 16, BLUE)
    curve = lambda x: 16 + math.sin((x - 16 / 3) / 32 * 3 * math.pi) * 4  # noqa: E731
    c.wave(6, 26, curve, 2.6, WHITE)
    return c


def envelope(n, paper, edge):
    c = icon_canvas(n)
    border = max(1, round(n / 32)) / c.s  # one pixel at 32, more at the large sizes
    c.rect(1, 6, 31, 26, edge)
    c.rect(1 + border, 6 + border, 31 - border, 26 - border, paper)
    # The flap from the paper's top corners; its round ends stay within the border.
    c.line(1 + border, 6 + border, 16, 17.5, 1.2, edge)
    c.line(31 - border, 6 + border, 16, 17.5, 1.2, edge)
    return c


def mail(n):
    return envelope(n, PAPER, (180, 120, 20, 255))


def error(n):
    c = envelope(n, (235, 235, 235, 255), (110, 110, 110, 255))
    red = (210, 30, 30, 255)
    c.line(9, 9, 23, 23, 4, red, 2)
    c.line(23, 9, 9, 23, 4, red, 2)
    return c


def info(n):
    c = icon_canvas(n)
    c.disc(16, 16, 16, INFO_BLUE)
    c.disc(16, 8.5, 2.4, WHITE)
    c.rect(14, 13, 18, 26, WHITE)
    return c


# Toolbar buttons: drawn on an 18-unit cell.


def small_envelope(c):
    """A 14 x 10 envelope, leaving the cell's lower right for a badge."""
    edge = (90, 90, 90, 255)
    c.rect(1, 3, 15, 13, edge)
    c.rect(2, 4, 14, 12, PAPER)
    c.line(2.5, 4.5, 8, 9, 1, edge)
    c.line(13.5, 4.5, 8, 9, 1, edge)


def tb_delete(c):
    small_envelope(c)
    c.line(10, 10, 16, 16, 2, RED, 2)
    c.line(16, 10, 10, 16, 2, RED, 2)


def tb_undelete(c):
    small_envelope(c)
    c.line(9.5, 13, 11.5, 15.5, 2, GREEN, 2)
    c.line(11.5, 15.5, 16, 9.5, 2, GREEN, 2)


def tb_info(c):
    c.disc(9, 9, 8, INFO_BLUE)
    c.disc(9, 5, 1.3, WHITE)
    c.rect(8, 7, 10, 14, WHITE)


def tb_refresh(c):
    """Two green arcs chasing each other round, each ending in an arrow head."""
    cx = cy = 9.0
    r = 5.5
    for start in (30, 210):
        c.arc(cx, cy, r, 2, start + 10, 125, GREEN)
        # The head at the arc's start, pointing clockwise.
        a = math.radians(start)
        x, y = cx + r * math.cos(a), cy - r * math.sin(a)
        tx, ty = math.sin(a), math.cos(a)  # clockwise tangent on screen
        nx, ny = math.cos(a), -math.sin(a)  # outward normal on screen
        c.polygon([(x + tx * 3.5, y + ty * 3.5), (x + nx * 3.5 - tx * 0.5, y + ny * 3.5 - ty * 0.5),
                   (x - nx * 3.5 - tx * 0.5, y - ny * 3.5 - ty * 0.5)], GREEN)


def tb_close(c):
    c.rect(1, 2, 17, 16, (60, 60, 60, 255))
    c.rect(2, 3, 16, 6, BLUE)
    c.rect(2, 6, 16, 15, WHITE)
    c.line(6.5, 8.5, 11.5, 13.5, 1.6, RED, 1.5)
    c.line(11.5, 8.5, 6.5, 13.5, 1.6, RED, 1.5)


def toolbar(scale):
    """Five cells side by side: delete, undelete, info, refresh, close."""
    cell = 18 * scale // 100
    strip = Canvas(5 * cell, cell)
    for i, draw in enumerate((tb_delete, tb_undelete, tb_info, tb_refresh, tb_close)):
        c = Canvas(cell, cell, cell / 18)
        draw(c)
        strip.paste(c, i * cell)
    return strip


# Sort marks: 24-bit, in the greys the header maps to the user's 3-D colours.
FACE = (192, 192, 192, 255)
SHADOW = (128, 128, 128, 255)


def sort_mark(up, scale):
    """A triangle of whole pixels: 9 x 5 at 100 %, 13 x 7 at 150 %, 17 x 9 at 200 %."""
    rows = {100: 5, 150: 7, 200: 9}[scale]
    width = 2 * rows - 1
    c = Canvas(width, rows, fill=FACE)
    for row in range(rows):
        half = row if up else rows - 1 - row
        for x in range(rows - 1 - half, rows + half):
            c.px[row][x] = SHADOW
    return c


# File formats.


def dib(c):
    """An icon image: BITMAPINFOHEADER (double height), BGRA rows bottom up, then the AND mask."""
    n = c.w
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(struct.pack("BBBB", b, g, r, a) for row in reversed(c.px) for (r, g, b, a) in row)
    row_bytes = ((n + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(c.px):
        bits = bytearray(row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png(c):
    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in c.px)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", c.w, c.h, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(draw):
    images = [png(draw(n)) if n >= 256 else dib(draw(n)) for n in ICON_SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip(ICON_SIZES, images):
        out += struct.pack("<BBBBHHII", n % 256, n % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def bmp(c, bits):
    """A bottom-up BMP file: 24-bit (alpha dropped) or 32-bit with straight alpha."""
    size = bits // 8
    stride = (c.w * size + 3) & ~3
    rows = b"".join(bytes(v for (r, g, b, a) in row for v in (b, g, r, a)[:size]).ljust(stride, b"\0")
                    for row in reversed(c.px))
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, bits, 0, len(rows), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info)) + info + rows


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    for name, draw in (("Tidewell.ico", tide), ("Mail.ico", mail), ("Error.ico", error), ("Info.ico", info)):
        (folder / name).write_bytes(ico(draw))
    for scale, suffix in SCALES.items():
        (folder / f"Toolbar{suffix}.bmp").write_bytes(bmp(toolbar(scale), 32))
        (folder / f"SortUp{suffix}.bmp").write_bytes(bmp(sort_mark(True, scale), 24))
        (folder / f"SortDown{suffix}.bmp").write_bytes(bmp(sort_mark(False, scale), 24))


if __name__ == "__main__":
    main()
