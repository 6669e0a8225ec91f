#!/usr/bin/env python3
"""Turns single-glyph PNG images into the ASCII-art glyph files the digit tests
read: for every glyph a header line "= <truth> <name> <width> <height>" and
then its rows, '#' for ink (grey below 128) and '.' for paper, cropped to the
ink's bounding box (the box the recognisers see).

usage: digit_art.py GLYPHS.tsv SET [NAME ...] > out.txt
reads the rows of the truth file whose kind is "glyph" and whose set is SET,
or only the named glyphs (file names without folder and extension), in the
order named. digit_glyphs.txt is "digits"; digit_near_misses.txt is "upper"
with the names listed in its headers."""
import os
import struct
import sys
import zlib


def read_png_grey(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(path + ": not a PNG file")
    pos, idat, header = 8, b"", None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    channels = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
    if depth != 8 or interlace != 0:
        raise ValueError(path + ": only 8-bit non-interlaced images")
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, prev, pos = [], bytearray(stride), 0
    for _ in range(height):
        filt = raw[pos]
        line = bytearray(raw[pos + 1:pos + 1 + stride])
        pos += 1 + stride
        for i in range(stride):
            a = line[i - channels] if i >= channels else 0
            b = prev[i]
            c = prev[i - channels] if i >= channels else 0
            if filt == 1:
                line[i] = (line[i] + a) & 255
            elif filt == 2:
                line[i] = (line[i] + b) & 255
            elif filt == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif filt == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                line[i] = (line[i] + pred) & 255
        rows.append([line[x * channels] for x in range(width)])
        prev = line
    return rows


def art(rows, threshold):
    ink = [[v < threshold for v in row] for row in rows]
    ys = [y for y, row in enumerate(ink) if any(row)]
    xs = [x for x in range(len(ink[0])) if any(row[x] for row in ink)]
    if not ys:
        return []
    return ["".join("#" if ink[y][x] else "." for x in range(xs[0], xs[-1] + 1))
            for y in range(ys[0], ys[-1] + 1)]


def main():
    tsv, wanted, names = sys.argv[1], sys.argv[2], sys.argv[3:]
    base = os.path.dirname(tsv)
    with open(tsv) as f:
        rows = [l.rstrip("\n").split("\t") for l in f][1:]
    rows = [r for r in rows if r[1] == "glyph" and r[2] == wanted]
    by_name = {os.path.basename(r[0])[:-4]: r for r in rows}
    for name in names or list(by_name):
        cols = by_name[name]
        picture = art(read_png_grey(os.path.join(base, cols[0])), 128)
        print("= %s %s %d %d" % (cols[6], name, len(picture[0]), len(picture)))
        print("\n".join(picture))


if __name__ == "__main__":
    main()
