"""Minimal PNG writing with the Python standard library (8-bit RGBA, adaptive row filters)."""

import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filtered_rows(rows, stride):
    """Each row with the filter that leaves the smallest sum of absolute values (as libpng)."""
    previous = bytes(stride)
    for row in rows:
        candidates = []
        left = bytes(4) + row[:-4]
        up_left = bytes(4) + previous[:-4]
        candidates.append((0, row))
        candidates.append((1, bytes((row[i] - left[i]) & 0xFF for i in range(stride))))
        candidates.append((2, bytes((row[i] - previous[i]) & 0xFF for i in range(stride))))
        candidates.append((3, bytes((row[i] - ((left[i] + previous[i]) >> 1)) & 0xFF
                                    for i in range(stride))))
        candidates.append((4, bytes((row[i] - _paeth(left[i], previous[i], up_left[i])) & 0xFF
                                    for i in range(stride))))
        kind, data = min(candidates, key=lambda c: sum(v if v < 128 else 256 - v for v in c[1]))
        yield bytes([kind]) + data
        previous = row


def write_rgba(path, width, height, pixels):
    """pixels: a flat sequence of width * height (r, g, b, a) tuples of ints 0..255, row-major."""
    stride = width * 4
    flat = bytearray()
    for r, g, b, a in pixels:
        flat += bytes((r, g, b, a))
    rows = [bytes(flat[y * stride:(y + 1) * stride]) for y in range(height)]
    raw = b"".join(_filtered_rows(rows, stride))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(_chunk(b"IHDR", header))
        out.write(_chunk(b"IDAT", zlib.compress(raw, 9)))
        out.write(_chunk(b"IEND", b""))
