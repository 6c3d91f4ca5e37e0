#!/usr/bin/env python3
"""Draws the program's icons (32x32 and 16x16, 32-bit with alpha) into .ico files.

Run once after changing a drawing; the .ico files are committed beside it.
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


def main():
    folder = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent
    for name, draw in (("Tidewell.ico", tide), ("Mail.ico", mail), ("Error.ico", error), ("Info.ico", info)):
        (folder / name).write_bytes(ico(draw))


if __name__ == "__main__":
    main()
