#!/usr/bin/env python3
"""Converts a 24/32-bit TrueColor xwd dump (as `xwd -id WINDOW` writes it) to a PNG.

Usage: xwd_to_png.py INPUT.xwd OUTPUT.png

Used for screenshots of the real window under Xvfb; needs nothing beyond the standard
library.
"""
import struct
import sys
import zlib


def read_xwd(data):
    header_size, = struct.unpack(">I", data[0:4])
    fields = struct.unpack(">25I", data[0:100])
    (_, version, pixmap_format, depth, width, height, _xoffset, byte_order, _unit,
     _bit_order, _pad, bits_per_pixel, bytes_per_line, _visual_class, red_mask,
     green_mask, blue_mask, _bits_rgb, _colormap_entries, ncolors, _ww, _wh, _wx, _wy,
     _bw) = fields
    if version != 7 or pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise ValueError("only 24/32-bit ZPixmap xwd files are supported")
    offset = header_size + ncolors * 12
    little = byte_order == 0
    step = bits_per_pixel // 8

    def shift_of(mask):
        return (mask & -mask).bit_length() - 1

    shifts = [shift_of(m) for m in (red_mask, green_mask, blue_mask)]
    rows = []
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * step]
        row = bytearray()
        for x in range(width):
            chunk = line[x * step:(x + 1) * step]
            value = int.from_bytes(chunk, "little" if little else "big")
            row += bytes(((value & m) >> s) & 0xFF for m, s in zip((red_mask, green_mask, blue_mask), shifts))
        rows.append(bytes(row))
    return width, height, rows


def write_png(path, width, height, rows):
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    raw = b"".join(b"\x00" + row for row in rows)
    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as out:
        out.write(png)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as source:
        width, height, rows = read_xwd(source.read())
    write_png(sys.argv[2], width, height, rows)


if __name__ == "__main__":
    main()
