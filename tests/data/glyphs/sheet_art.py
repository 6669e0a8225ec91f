#!/usr/bin/env python3
"""Cut the glyphs of character sheets into ASCII-art records with line heights.

A sheet is one line of characters separated by spaces (8-bit grey PNG, black on
white). Each glyph becomes a record the letter tests read:

    glyph <name> <character code, hex>
    box <left> <top> <right> <bottom>
    line <line top> <mean line> <baseline> <line bottom>
    <rows of '#' (ink, grey < 128) and '.' (paper)>
    <empty line>

Coordinates are relative to the art's top-left pixel (line heights may lie
outside the art). The art is the glyph's box with a margin, so the probes
that look outside the box see the paper around it.

usage: sheet_art.py OUT.txt [--only CHARS] [--fonts NAME,...] SHEETS.tsv [ROOT]
SHEETS.tsv is a table with columns file, kind, set, font, size, dpi, text;
only rows of kind "sheet" are read; digits stand on the line of the capitals.
Symbols stand on the baseline of the symbols that sit on it, with the cap and
lower-case heights of the font's letter sheets.
"""
import argparse
import os
import struct
import sys
import zlib
from collections import Counter

INK = 128
MARGIN = 4


def read_png(path):
    data = open(path, 'rb').read()
    if data[:8] != b'\x89PNG\r\n\x1a\n':
        raise ValueError(path + ': not a PNG file')
    pos, idat, width, height, bpp = 8, b'', 0, 0, 1
    while pos < len(data):
        length, = struct.unpack('>I', data[pos:pos + 4])
        kind, body = data[pos + 4:pos + 8], data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b'IHDR':
            width, height, depth, colour, _, _, interlace = struct.unpack('>IIBBBBB', body)
            if depth != 8 or interlace != 0:
                raise ValueError(path + ': only 8-bit non-interlaced images')
            bpp = {0: 1, 2: 3, 4: 2, 6: 4}[colour]
        elif kind == b'IDAT':
            idat += body
    raw, stride = zlib.decompress(idat), width * bpp
    rows, prev, p = [], bytearray(stride), 0
    for _ in range(height):
        kind, line = raw[p], bytearray(raw[p + 1:p + 1 + stride])
        p += 1 + stride
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + ((a + b) >> 1)) & 255
            elif kind == 4:
                pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([line[x * bpp] < INK for x in range(width)])
        prev = line
    return rows


def segments(ink):
    """Column bands of ink, one per character."""
    width = len(ink[0])
    used = [any(row[x] for row in ink) for x in range(width)]
    bands, x = [], 0
    while x < width:
        if used[x]:
            start = x
            while x < width and used[x]:
                x += 1
            bands.append((start, x - 1))
        x += 1
    return bands


def ink_box(ink, x0, x1):
    ys = [y for y, row in enumerate(ink) if any(row[x0:x1 + 1])]
    return x0, ys[0], x1, ys[-1]


def mode(values):
    return Counter(values).most_common(1)[0][0]


def measure(path, chars):
    ink = read_png(path)
    bands = segments(ink)
    if len(bands) != len(chars):
        raise ValueError('%s: %d bands for %d characters' % (path, len(bands), len(chars)))
    return ink, {ch: ink_box(ink, a, b) for ch, (a, b) in zip(chars, bands)}


def line_of_lower(boxes):
    tops = lambda s: [boxes[c][1] for c in s if c in boxes]
    bottoms = lambda s: [boxes[c][3] for c in s if c in boxes]
    return (mode(tops('bdhkl')), mode(tops('acemnorsuvwxz')), mode(bottoms('acemnorsuvwxz')),
            mode(bottoms('gpqy')))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('out')
    ap.add_argument('table')
    ap.add_argument('root', nargs='?')
    ap.add_argument('--only', default='')
    ap.add_argument('--fonts', default='')
    args = ap.parse_args()
    root = args.root or os.path.dirname(os.path.abspath(args.table))
    fonts = set(args.fonts.split(',')) if args.fonts else None
    sheets = {}
    for line in open(args.table, encoding='utf-8'):
        f = line.rstrip('\n').split('\t')
        if len(f) >= 7 and f[1] == 'sheet' and f[2] in ('upper', 'lower', 'digits', 'symbols'):
            if fonts is None or '%s_%s' % (f[3], f[4]) in fonts:
                sheets[(f[3], f[4], f[2])] = (os.path.join(root, f[0]), f[6].split(' '))
    out = open(args.out, 'w')
    measured = {key: measure(*value) for key, value in sorted(sheets.items())}
    for (font, size, kind), (ink, boxes) in measured.items():
        cap = [boxes[c] for c in boxes]
        if kind == 'lower':
            top, mean, base, bottom = line_of_lower(boxes)
        elif kind == 'symbols':
            base = mode([boxes[c][3] for c in '&?!#%' if c in boxes])
            upper, lower = measured.get((font, size, 'upper')), measured.get((font, size, 'lower'))
            ubox = [b for b in upper[1].values()]
            top = base - (mode([b[3] for b in ubox]) - mode([b[1] for b in ubox]))
            ltop, lmean, lbase, lbottom = line_of_lower(lower[1])
            mean, bottom = base - (lbase - lmean), base + (lbottom - lbase)
        else:
            top, base = mode([b[1] for b in cap]), mode([b[3] for b in cap])
            lower = measured.get((font, size, 'lower'))
            if lower:
                ltop, lmean, lbase, lbottom = line_of_lower(lower[1])
                mean, bottom = base - (lbase - lmean), base + (lbottom - lbase)
            else:
                mean, bottom = base - (base - top) * 7 // 10, base + (base - top) // 4
        for ch, (x0, y0, x1, y1) in boxes.items():
            if args.only and ch not in args.only:
                continue
            ax0, ax1 = max(0, x0 - MARGIN), min(len(ink[0]) - 1, x1 + MARGIN)
            ay0, ay1 = max(0, y0 - MARGIN), min(len(ink) - 1, y1 + MARGIN)
            out.write('glyph %s_%s %04x\n' % (font, size, ord(ch)))
            out.write('box %d %d %d %d\n' % (x0 - ax0, y0 - ay0, x1 - ax0, y1 - ay0))
            out.write('line %d %d %d %d\n' % (top - ay0, mean - ay0, base - ay0, bottom - ay0))
            for y in range(ay0, ay1 + 1):
                out.write(''.join('#' if ink[y][x] else '.' for x in range(ax0, ax1 + 1)) + '\n')
            out.write('\n')


if __name__ == '__main__':
    sys.exit(main())
