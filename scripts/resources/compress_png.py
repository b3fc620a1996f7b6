#!/usr/bin/env python3
"""Rewrites an 8-bit RGBA PNG (as tivrandel-snapshot writes it, uncompressed) compressed, with
the Paeth filter on every row, for the manual.

    python3 scripts/resources/compress_png.py <in.png> <out.png>
"""

import struct
import sys
import zlib


def chunks(data):
    offset = 8
    while offset < len(data):
        (length,) = struct.unpack(">I", data[offset:offset + 4])
        kind = data[offset + 4:offset + 8]
        yield kind, data[offset + 8:offset + 8 + length]
        offset += 12 + length


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    return a if pa <= pb and pa <= pc else (b if pb <= pc else c)


def main():
    data = open(sys.argv[1], "rb").read()
    header, raw = None, b""
    for kind, body in chunks(data):
        if kind == b"IHDR":
            header = body
        elif kind == b"IDAT":
            raw += body
    width, height, depth, colour = struct.unpack(">IIBB", header[:10])
    assert depth == 8 and colour == 6, "8-bit RGBA only"
    pixels = zlib.decompress(raw)
    stride = 4 * width
    rows, previous, out = [], bytes(stride), bytearray()
    for y in range(height):
        start = y * (stride + 1)
        assert pixels[start] == 0, "unfiltered rows only"
        row = pixels[start + 1:start + 1 + stride]
        out.append(4)
        for x in range(stride):
            a = row[x - 4] if x >= 4 else 0
            c = previous[x - 4] if x >= 4 else 0
            out.append((row[x] - paeth(a, previous[x], c)) & 0xFF)
        previous = row

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(sys.argv[2], "wb") as f:
        f.write(data[:8] + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(out), 9)) +
                chunk(b"IEND", b""))


if __name__ == "__main__":
    main()
