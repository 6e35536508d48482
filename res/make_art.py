#!/usr/bin/env python3
"""Draws the program's icon and the welcome pictures (no external images).

Run once by hand; the outputs are committed: Quillrest.ico, welcome1.bmp, welcome2.bmp.
"""
import math, struct, sys, os

def q_pixel(x, y, size):
    """RGBA of the icon at (x, y): a teal disc with a white 'Q' ring and tail."""
    c = (size - 1) / 2.0
    dx, dy = x - c, y - c
    r = math.hypot(dx, dy)
    outer = size * 0.48
    if r > outer:
        return (0, 0, 0, 0)
    ring_r, ring_w = size * 0.26, size * 0.085
    on_ring = abs(r - ring_r) < ring_w
    # tail: a thick segment from the centre towards the bottom right
    tx, ty = dx / size, dy / size
    on_tail = 0.08 < tx < 0.36 and abs(tx - ty) < 0.07 and ty > 0.08
    if on_ring or on_tail:
        return (255, 255, 255, 255)
    shade = int(150 + 60 * (1 - r / outer))
    return (20, shade, 160, 255)

def icon_image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        row = b''
        for x in range(size):
            r, g, b, a = q_pixel(x, y, size)
            row += bytes((b, g, r, a))
        rows.append(row)
    xor = b''.join(rows)
    mask_row = ((size + 31) // 32) * 4
    mask = b''
    for y in range(size - 1, -1, -1):
        bits = bytearray(mask_row)
        for x in range(size):
            if q_pixel(x, y, size)[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + mask

def write_ico(path, sizes):
    images = [icon_image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', s, s, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))

def write_bmp(path, w, h, fn):
    row_len = (w * 3 + 3) & ~3
    data = b''
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for x in range(w):
            r, g, b = fn(x, y)
            row += bytes((b, g, r))
        row += bytes(row_len - len(row))
        data += bytes(row)
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + data)

def rocket(x, y):
    # a stylised clock face with quick hands: "usable sooner"
    w = 64
    c = (w - 1) / 2.0
    r = math.hypot(x - c, y - c)
    if r > 30:
        return (240, 240, 240)
    if r > 27:
        return (20, 150, 160)
    if abs(x - c) < 2 and y < c and y > 10:
        return (30, 30, 30)
    if abs(y - c) < 2 and x > c and x < 52:
        return (200, 60, 40)
    return (255, 255, 230)

def broom(x, y):
    # stacked bars, launched one at a time
    if 8 <= y < 56 and ((y - 8) % 12) < 8:
        length = 12 + ((y - 8) // 12) * 12
        if 8 <= x < 8 + length:
            return (20, 150 - ((y - 8) // 12) * 20, 160)
    return (240, 240, 240)

if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'Quillrest.ico'), [32, 16])
    write_bmp(os.path.join(here, 'welcome1.bmp'), 64, 64, rocket)
    write_bmp(os.path.join(here, 'welcome2.bmp'), 64, 64, broom)
