#!/usr/bin/env python3
"""Writes the hostile files that bench/hostile.sh measures the tool on.

    bench/hostile_files.py FOLDER

Each file is small on disk and costly to read: decoder bombs (a header that
promises far more pixels than the data holds, or data that inflates to a
huge picture), slow pictures (a page of many tiny blobs, bilevel noise), JPEG
files with hundreds or thousands of progressive scans, a file far larger than
any scan, and a folder of entries that are not regular image files. Only the
standard library is used, so the set can be remade anywhere.
"""
import os
import random
import struct
import sys
import zlib


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def png(width, height, depth, colour, rows, phys=None):
    """A PNG whose image data is the concatenation of `rows` (an iterable of
    filtered rows, filter byte included), compressed as it is produced."""
    out = [b"\x89PNG\r\n\x1a\n",
           png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, 0))]
    if phys is not None:
        out.append(png_chunk(b"pHYs", struct.pack(">IIB", phys, phys, 1)))
    z = zlib.compressobj(9)
    data = bytearray()
    for row in rows:
        data += z.compress(row)
    data += z.flush()
    out.append(png_chunk(b"IDAT", bytes(data)))
    out.append(png_chunk(b"IEND", b""))
    return b"".join(out)


def repeated(row, count, block=1 << 16):
    """`count` copies of `row`, handed out in blocks of many rows."""
    many = row * block
    while count >= block:
        yield many
        count -= block
    yield row * count


def dots_rows(width, height, step):
    """A white page with one black pixel every `step` pixels both ways."""
    dotted = bytearray([0xFF] * ((width + 7) // 8))
    for x in range(0, width, step):
        dotted[x >> 3] &= ~(0x80 >> (x & 7)) & 0xFF
    white = b"\x00" + b"\xff" * ((width + 7) // 8)
    for y in range(height):
        yield (b"\x00" + bytes(dotted)) if y % step == 0 else white


def noise_rows(width, height, seed=29):
    rng = random.Random(seed)
    n = (width + 7) // 8
    for _ in range(height):
        yield b"\x00" + rng.randbytes(n)


def bmp_rle8(width, height):
    """An RLE8 bitmap of the given size whose data is only 'end of bitmap'."""
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    data = b"\x00\x01"
    offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(data), 2835, 2835, 256, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + palette + data


def tiff_deflate_bilevel(width, height, row):
    """A 1-bit TIFF (white is zero) in one Deflate strip of identical rows."""
    z = zlib.compressobj(9)
    strip = bytearray()
    for block in repeated(row, height):
        strip += z.compress(block)
    strip += z.flush()
    entries = [
        (256, 4, 1, width), (257, 4, 1, height), (258, 3, 1, 1), (259, 3, 1, 32946),
        (262, 3, 1, 0), (273, 4, 1, 0), (277, 3, 1, 1), (278, 4, 1, height),
        (279, 4, 1, len(strip)),
    ]
    ifd_offset = 8
    data_offset = ifd_offset + 2 + 12 * len(entries) + 4
    ifd = struct.pack("<H", len(entries))
    for tag, kind, count, value in entries:
        if tag == 273:
            value = data_offset
        fmt = "<HHIHH" if kind == 3 else "<HHII"
        ifd += struct.pack(fmt, tag, kind, count, value, 0) if kind == 3 else struct.pack(
            fmt, tag, kind, count, value)
    ifd += struct.pack("<I", 0)
    return b"II*\x00" + struct.pack("<I", ifd_offset) + ifd + bytes(strip)


def one_page_tiff():
    """An 8 x 8 white 8-bit grey TIFF, uncompressed."""
    width = height = 8
    pixels = b"\xff" * (width * height)
    entries = [(256, 3, width), (257, 3, height), (258, 3, 8), (259, 3, 1), (262, 3, 1),
               (273, 4, 0), (277, 3, 1), (278, 3, height), (279, 4, len(pixels))]
    data_offset = 8 + 2 + 12 * len(entries) + 4
    ifd = struct.pack("<H", len(entries))
    for tag, kind, value in entries:
        if tag == 273:
            value = data_offset
        ifd += struct.pack("<HHIHH", tag, kind, 1, value, 0) if kind == 3 else struct.pack(
            "<HHII", tag, kind, 1, value)
    ifd += struct.pack("<I", 0)
    return b"II*\x00" + struct.pack("<I", 8) + ifd + pixels


class BitWriter:
    def __init__(self):
        self.bits = []

    def put(self, value, count):
        for i in range(count - 1, -1, -1):
            self.bits.append((value >> i) & 1)

    def data(self):
        """The bits padded with ones, 0xFF bytes stuffed with 0x00."""
        bits = self.bits + [1] * (-len(self.bits) % 8)
        out = bytearray()
        for i in range(0, len(bits), 8):
            byte = 0
            for b in bits[i:i + 8]:
                byte = (byte << 1) | b
            out.append(byte)
            if byte == 0xFF:
                out.append(0)
        return bytes(out)


def jpeg_many_scans(width, height, scans, components=1):
    """A progressive JPEG of 1 (grey) or 3 (colour, no subsampling)
    components: one DC scan of all components, then `scans` - 1 AC scans of
    one component each, in turn, each a few bytes of end-of-band runs that
    still make the decoder visit every block of the picture."""
    blocks = ((width + 7) // 8) * ((height + 7) // 8)

    def segment(marker, payload):
        return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload

    ids = range(1, components + 1)
    out = bytearray(b"\xff\xd8")
    out += segment(0xDB, b"\x00" + b"\x01" * 64)
    out += segment(0xC2, struct.pack(">BHHB", 8, height, width, components)
                   + b"".join(bytes((c, 0x11, 0)) for c in ids))
    # DC table 0: one code '0' for difference category 0; AC table 0: one code
    # '0' for a run of end-of-bands with 14 more bits (up to 32767 blocks).
    one_code = b"\x01" + b"\x00" * 15
    out += segment(0xC4, b"\x00" + one_code + b"\x00")
    out += segment(0xC4, b"\x10" + one_code + b"\xe0")
    dc = BitWriter()
    for _ in range(blocks * components):
        dc.put(0, 1)
    out += segment(0xDA, bytes([components]) + b"".join(bytes((c, 0)) for c in ids)
                   + b"\x00\x00\x00") + dc.data()
    ac = BitWriter()
    for _ in range((blocks + 32766) // 32767):
        ac.put(0, 1)
        ac.put(0x3FFF, 14)
    for i in range(scans - 1):
        c = 1 + i % components
        out += segment(0xDA, bytes((1, c, 0, 1, 63, 0))) + ac.data()
    out += b"\xff\xd9"
    return bytes(out)


def blob_grid_rows(width, height, blob_w, blob_h, step_x, step_y):
    """A white page with black blob_w x blob_h blocks every step_x, step_y pixels."""
    ink = bytearray([0xFF] * ((width + 7) // 8))
    for x0 in range(0, width - blob_w + 1, step_x):
        for x in range(x0, x0 + blob_w):
            ink[x >> 3] &= ~(0x80 >> (x & 7)) & 0xFF
    inked = b"\x00" + bytes(ink)
    white = b"\x00" + b"\xff" * ((width + 7) // 8)
    for y in range(height):
        yield inked if y % step_y < blob_h else white


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    # Decoder bombs.
    write(folder, "png_1x100M_bilevel.png",
          png(1, 100_000_000, 1, 0, repeated(b"\x00\x00", 100_000_000)))
    write(folder, "png_100Mx1_bilevel.png",
          png(100_000_000, 1, 1, 0, [b"\x00" + b"\xff" * (100_000_000 // 8)]))
    write(folder, "png_20000x20000_bilevel.png",
          png(20000, 20000, 1, 0, repeated(b"\x00" + b"\xff" * 2500, 20000)))
    write(folder, "png_one_byte_of_data.png",
          b"\x89PNG\r\n\x1a\n"
          + png_chunk(b"IHDR", struct.pack(">IIBBBBB", 12000, 12400, 8, 2, 0, 0, 0))
          + png_chunk(b"IDAT", b"\x78") + png_chunk(b"IEND", b""))
    write(folder, "bmp_rle8_20000x25000.bmp", bmp_rle8(20000, 25000))
    write(folder, "tiff_1x100M_deflate.tif", tiff_deflate_bilevel(1, 100_000_000, b"\x00"))
    # Pictures just under the default limit of 50 million pixels: a narrow
    # one (each row counts as 32 pixels), a bilevel page of vertical stripes
    # (the most ink runs a row can have) and a true-colour page.
    write(folder, "png_32x1500000_bilevel.png",
          png(32, 1_500_000, 1, 0, repeated(b"\x00\x55\x55\x55\x55", 1_500_000)))
    write(folder, "png_7000x7000_stripes.png",
          png(7000, 7000, 1, 0, repeated(b"\x00" + b"\xaa" * 875, 7000)))
    write(folder, "png_7000x7000_rgb.png",
          png(7000, 7000, 8, 2, repeated(b"\x00" + b"\x80\x40\x20" * 7000, 7000)))
    # Slow pictures.
    write(folder, "png_dots_every_3px.png", png(4000, 3000, 1, 0, dots_rows(4000, 3000, 3)))
    write(folder, "png_noise_bilevel.png", png(4000, 3000, 1, 0, noise_rows(4000, 3000)))
    write(folder, "jpeg_490_scans.jpg", jpeg_many_scans(12000, 9000, 490))
    write(folder, "jpeg_5000_scans.jpg", jpeg_many_scans(12000, 9000, 5000))
    # The worst of each kind that the default limits still let through: the
    # most blobs a page can hold (a dot every other pixel), noise, the most
    # scans of a colour progressive JPEG, a run-length bitmap of nothing, and
    # character-sized blobs too far apart to group, for the serial reader.
    write(folder, "png_7000x7000_dots_every_2px.png", png(7000, 7000, 1, 0, dots_rows(7000, 7000, 2)))
    write(folder, "png_7000x7000_noise.png", png(7000, 7000, 1, 0, noise_rows(7000, 7000)))
    write(folder, "jpeg_7000x7000_rgb_100_scans.jpg", jpeg_many_scans(7000, 7000, 100, 3))
    write(folder, "bmp_rle8_7000x7000.bmp", bmp_rle8(7000, 7000))
    write(folder, "png_7000x7000_blob_grid.png",
          png(7000, 7000, 1, 0, blob_grid_rows(7000, 7000, 10, 12, 48, 20)))
    # A file far larger than any scan, of a type no reader knows (sparse).
    with open(os.path.join(folder, "unknown_1GiB.dat"), "wb") as f:
        f.truncate(1 << 30)
    write(folder, "tiff_one_page.tif", one_page_tiff())
    # A folder of entries that are not regular image files, beside one that is.
    mixed = os.path.join(folder, "mixed")
    os.makedirs(mixed, exist_ok=True)
    write(mixed, "a_page.tif", one_page_tiff())
    for name, target in (("b_dangling.png", "nowhere.png"), ("c_loop.png", "c_loop.png")):
        path = os.path.join(mixed, name)
        if not os.path.lexists(path):
            os.symlink(target, path)
    if not os.path.exists(os.path.join(mixed, "d_fifo.png")):
        os.mkfifo(os.path.join(mixed, "d_fifo.png"))
    os.makedirs(os.path.join(mixed, "e_folder.png"), exist_ok=True)


if __name__ == "__main__":
    main()
