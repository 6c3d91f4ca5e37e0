#!/usr/bin/env python3
"""Crops the guide's whole-desktop screenshots to the part each figure shows.

Each <figure class="shot KIND"> in guide/index.html names its size and
position in the guide's style sheet (figure.KIND img { width; height;
object-position }). The picture is cut to exactly that part, so the guide
looks the same in a browser that ignores object-fit. Sources come from the
screenshot folder when it has a picture of the name, else the guide's own
picture is cut again (a picture already of the size stays as it is).

  usage: tools/guide_images.py [screenshot folder]   (default build/screenshots)

Only the standard library: 8-bit non-interlaced PNGs (palette, grey, RGB, RGBA).
"""
import os
import re
import struct
import sys
import zlib

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
GUIDE = os.path.join(TOP, "guide")
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, chunks, idat = 8, [], b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IDAT":
            idat += body
        elif kind != b"IEND":
            chunks.append((kind, body))
    width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunks[0][1])
    if depth != 8 or interlace or colour not in CHANNELS:
        raise ValueError(f"{path}: only 8-bit non-interlaced PNGs are cut")
    bpp = CHANNELS[colour]
    raw, stride, rows, prev = zlib.decompress(idat), width * bpp, [], bytearray(width * bpp)
    for y in range(height):
        line = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        rows.append(prev := unfilter(line[0], bytearray(line[1:]), prev, bpp))
    return chunks, width, height, bpp, rows


def unfilter(kind, line, prev, bpp):
    for i in range(len(line)):
        a = line[i - bpp] if i >= bpp else 0
        b = prev[i]
        c = prev[i - bpp] if i >= bpp else 0
        if kind == 1:
            line[i] = (line[i] + a) & 255
        elif kind == 2:
            line[i] = (line[i] + b) & 255
        elif kind == 3:
            line[i] = (line[i] + (a + b) // 2) & 255
        elif kind == 4:
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
    return line


def write_png(path, chunks, width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = chunks[0][1]
    out = [b"\x89PNG\r\n\x1a\n", chunk(b"IHDR", struct.pack(">II", width, height) + header[8:])]
    out += [chunk(kind, body) for kind, body in chunks[1:]]
    out.append(chunk(b"IDAT", zlib.compress(b"".join(b"\0" + bytes(r) for r in rows), 9)))
    out.append(chunk(b"IEND", b""))
    open(path, "wb").write(b"".join(out))


def figure_parts(html):
    """Each figure kind's (width, height, x%, y%) from the style sheet."""
    parts = {}
    for kind, rules in re.findall(r"figure\.(\w+) img \{([^}]*)\}", html):
        size = re.search(r"width: (\d+)px; height: (\d+)px", rules)
        where = re.search(r"object-position: (\d+)% (\d+)%", rules)
        if size:  # centred unless the rule says where
            parts[kind] = tuple(int(v) for v in size.groups() + (where.groups() if where else ("50", "50")))
    return parts


def main():
    shots = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(TOP, "build", "screenshots"))
    html = open(os.path.join(GUIDE, "index.html"), encoding="utf-8").read()
    parts = figure_parts(html)
    for kind, src in re.findall(r'<figure class="shot (\w+)">\s*<img src="([^"]+)"', html):
        target = os.path.join(GUIDE, src)
        source = os.path.join(shots, os.path.basename(src))
        source = source if os.path.exists(source) else target
        chunks, width, height, bpp, rows = read_png(source)
        if kind not in parts:
            print(f"{src}: kept as it is (no size for figure.{kind})")
            continue
        w, h, px, py = parts[kind]
        w, h = min(w, width), min(h, height)
        x, y = (width - w) * px // 100, (height - h) * py // 100
        write_png(target, chunks, w, h, [r[x * bpp:(x + w) * bpp] for r in rows[y:y + h]])
        print(f"{src}: {w}x{h} from {os.path.relpath(source, TOP)} at {x},{y}")


if __name__ == "__main__":
    main()
