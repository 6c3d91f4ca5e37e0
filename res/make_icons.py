#!/usr/bin/env python3
"""Draws the program's icons (32x32 and 16x16, 32-bit with alpha) into .ico files,
and the View Mail window's toolbar strip and sort marks into .bmp files.

Run once after changing a drawing; the files are committed beside it.
"""
import struct
import sys
from pathlib import Path


def blank(n):
    return [[(0, 0, 0, 0)] * n for _ in range(n)]


def rect(img, x0, y0, x1, y1, colour):
    for y in range(y0, y1):
        for x in range(x0, x1):
            img[y][x] = colour


def line(img, x0, y0, x1, y1, colour, width=1):
    steps = max(abs(x1 - x0), abs(y1 - y0)) * 2 + 1
    for i in range(steps + 1):
        x = x0 + (x1 - x0) * i / steps
        y = y0 + (y1 - y0) * i / steps
        for dx in range(width):
            for dy in range(width):
                xi, yi = int(round(x)) + dx, int(round(y)) + dy
                if 0 <= xi < len(img) and 0 <= yi < len(img):
                    img[yi][xi] = colour


def envelope(n, paper, edge):
    img = blank(n)
    m = max(1, n // 16)
    top, bottom = n * 6 // 32, n * 26 // 32
    rect(img, m, top, n - m, bottom, edge)
    rect(img, m + 1, top + 1, n - m - 1, bottom - 1, paper)
    w = max(1, n // 16)
    line(img, m, top, n // 2, (top + bottom) // 2 + m, edge, w)
    line(img, n - m - w, top, n // 2, (top + bottom) // 2 + m, edge, w)
    return img


def disc(n, colour):
    img = blank(n)
    c = (n - 1) / 2
    r = n / 2 - 0.5
    for y in range(n):
        for x in range(n):
            if (x - c) ** 2 + (y - c) ** 2 <= r * r:
                img[y][x] = colour
    return img


def tide(n):
    """The plain program icon: a blue disc with a white wave."""
    img = disc(n, (40, 110, 200, 255))
    c = (n - 1) / 2
    import math
    w = max(1, n // 12)
    prev = None
    for x in range(n // 6, n - n // 6):
        y = int(c + math.sin((x - n / 6) / n * 2 * math.pi * 1.5) * n / 8)
        if prev:
            line(img, prev[0], prev[1], x, y, (255, 255, 255, 255), w)
        prev = (x, y)
    return img


def mail(n):
    return envelope(n, (255, 250, 220, 255), (180, 120, 20, 255))


def error(n):
    img = envelope(n, (235, 235, 235, 255), (110, 110, 110, 255))
    w = max(2, n // 8)
    red = (210, 30, 30, 255)
    line(img, n // 4, n // 4, n - n // 4 - w, n - n // 4 - w, red, w)
    line(img, n - n // 4 - w, n // 4, n // 4, n - n // 4 - w, red, w)
    return img


def info(n):
    img = disc(n, (30, 90, 180, 255))
    white = (255, 255, 255, 255)
    s = max(1, n // 8)
    rect(img, n // 2 - s // 2 - 1, n // 5, n // 2 + s // 2 + 1, n // 5 + s + 1, white)
    rect(img, n // 2 - s // 2 - 1, n * 2 // 5, n // 2 + s // 2 + 1, n * 4 // 5, white)
    return img


def dib(img):
    n = len(img)
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(struct.pack("BBBB", b, g, r, a) for row in reversed(img) for (r, g, b, a) in row)
    row_bytes = ((n + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(img):
        bits = bytearray(row_bytes)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def ico(draw):
    images = [dib(draw(n)) for n in (32, 16)]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for n, data in zip((32, 16), images):
        out += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


# Bitmaps: 24-bit, no alpha. The toolbar and the header map these greys to the
# user's 3-D colours when they load them, so the images sit on the button face.
FACE = (192, 192, 192, 255)
SHADOW = (128, 128, 128, 255)


def canvas(w, h, colour=FACE):
    return [[colour] * w for _ in range(h)]


def paste(dst, src, x0):
    for y, row in enumerate(src):
        for x, px in enumerate(row):
            if px[3]:
                dst[y][x0 + x] = px


def bmp(img):
    h, w = len(img), len(img[0])
    stride = (w * 3 + 3) & ~3
    rows = b"".join(bytes(c for (r, g, b, _) in row for c in (b, g, r)).ljust(stride, b"\0")
                    for row in reversed(img))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    return struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(rows), 0, 0, 14 + len(info)) + info + rows


def small_envelope():
    """A 14x10 envelope placed in an 18x18 cell, leaving room for a badge."""
    img = blank(18)
    edge, paper = (90, 90, 90, 255), (255, 250, 220, 255)
    rect(img, 1, 3, 15, 13, edge)
    rect(img, 2, 4, 14, 12, paper)
    line(img, 2, 4, 8, 9, edge)
    line(img, 13, 4, 8, 9, edge)
    return img


def tb_delete():
    img = small_envelope()
    red = (200, 20, 20, 255)
    line(img, 9, 9, 16, 16, red, 2)
    line(img, 16, 9, 9, 16, red, 2)
    return img


def tb_undelete():
    img = small_envelope()
    green = (20, 140, 40, 255)
    line(img, 9, 13, 11, 16, green, 2)
    line(img, 11, 16, 16, 9, green, 2)
    return img


def tb_info():
    img = disc(16, (30, 90, 180, 255))
    white = (255, 255, 255, 255)
    rect(img, 7, 3, 9, 5, white)
    rect(img, 7, 6, 9, 13, white)
    out = blank(18)
    paste(out, img, 1)
    return [[(0, 0, 0, 0)] * 18] + out[:17]


def triangle(img, pts, colour):
    (x0, y0), (x1, y1), (x2, y2) = pts
    for y in range(len(img)):
        for x in range(len(img[0])):
            px, py = x + 0.5, y + 0.5
            d1 = (px - x1) * (y0 - y1) - (x0 - x1) * (py - y1)
            d2 = (px - x2) * (y1 - y2) - (x1 - x2) * (py - y2)
            d3 = (px - x0) * (y2 - y0) - (x2 - x0) * (py - y0)
            if (d1 >= 0 and d2 >= 0 and d3 >= 0) or (d1 <= 0 and d2 <= 0 and d3 <= 0):
                img[y][x] = colour


def tb_refresh():
    """Two green arcs chasing each other round, each ending in an arrow head."""
    import math
    img = blank(18)
    green = (20, 140, 40, 255)
    c, r = 9.0, 5.5
    for start in (30, 210):
        for deg in range(start, start + 130, 3):
            a = math.radians(deg)
            x, y = c + r * math.cos(a), c - r * math.sin(a)
            rect(img, int(x - 0.5), int(y - 0.5), int(x - 0.5) + 2, int(y - 0.5) + 2, green)
        # Head at the arc's start, pointing against the drawing direction (clockwise).
        a = math.radians(start)
        x, y = c + r * math.cos(a) + 0.5, c - r * math.sin(a) + 0.5
        tx, ty = math.sin(a), math.cos(a)  # clockwise tangent on screen
        nx, ny = math.cos(a), -math.sin(a)  # outward normal on screen
        triangle(img, ((x + tx * 4, y + ty * 4), (x + nx * 3.5, y + ny * 3.5), (x - nx * 3.5, y - ny * 3.5)),
                 green)
    return img


def tb_close():
    img = blank(18)
    frame, title, white = (60, 60, 60, 255), (40, 110, 200, 255), (255, 255, 255, 255)
    rect(img, 1, 2, 17, 16, frame)
    rect(img, 2, 3, 16, 6, title)
    rect(img, 2, 6, 16, 15, white)
    red = (200, 20, 20, 255)
    line(img, 6, 8, 11, 13, red, 2)
    line(img, 11, 8, 6, 13, red, 2)
    return img


def toolbar():
    """Five 18x18 buttons side by side: delete, undelete, info, refresh, close."""
    strip = canvas(90, 18)
    for i, draw in enumerate((tb_delete, tb_undelete, tb_info, tb_refresh, tb_close)):
        paste(strip, draw(), i * 18)
    return strip


def sort_mark(up):
    img = canvas(9, 5)
    for row in range(5):
        half = row if up else 4 - row
        for x in range(4 - half, 5 + half):
            img[row][x] = SHADOW
    return img


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    for name, draw in (("Tidewell.ico", tide), ("Mail.ico", mail), ("Error.ico", error), ("Info.ico", info)):
        (folder / name).write_bytes(ico(draw))
    (folder / "Toolbar.bmp").write_bytes(bmp(toolbar()))
    (folder / "SortUp.bmp").write_bytes(bmp(sort_mark(True)))
    (folder / "SortDown.bmp").write_bytes(bmp(sort_mark(False)))


if __name__ == "__main__":
    main()
