#!/usr/bin/env python3
"""Draws the program icon, a small table grid with a header row, at 48, 32,
24 and 16 pixels in 32-bit colour, and writes it as a Windows .ico file."""
import struct
import sys

HEADER = (0x2F, 0x5F, 0x9F)   # header row
GRID = (0x40, 0x40, 0x48)     # lines
CELL = (0xFA, 0xFA, 0xF5)     # body cells
MARK = (0xE0, 0x8A, 0x1C)     # one highlighted cell


def pixel(size, x, y):
    """Colour (r, g, b, a) of pixel x, y, y counted from the top."""
    margin = max(1, size // 16)
    inner = size - 2 * margin
    if not (margin <= x < size - margin and margin <= y < size - margin):
        return (0, 0, 0, 0)
    u, v = x - margin, y - margin
    cols, rows = 3, 4
    col_w, row_h = inner / cols, inner / rows
    on_line = (u == 0 or v == 0 or u == inner - 1 or v == inner - 1 or
               any(int(round(col_w * c)) == u for c in range(1, cols)) or
               any(int(round(row_h * r)) == v for r in range(1, rows)))
    if on_line:
        return GRID + (255,)
    row = int(v // row_h)
    col = int(u // col_w)
    if row == 0:
        return HEADER + (255,)
    if row == 2 and col == 1:
        return MARK + (255,)
    return CELL + (255,)


def image(size):
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up rows
        for x in range(size):
            r, g, b, a = pixel(size, x, y)
            colours += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixel(size, x, y)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(colours) + bytes(mask)


def main(path):
    sizes = [48, 32, 24, 16]
    images = [image(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(sizes)))
    offset = 6 + 16 * len(sizes)
    for s, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1])
