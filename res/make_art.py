#!/usr/bin/env python3
"""Draws the program's icon, the welcome pictures and the configuration pages'
pictures (no external images).

Run once by hand; the outputs are committed: Quillrest.ico, welcome1.bmp,
welcome2.bmp and page_*.bmp (16 colours each, to keep the program small).
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

# ---- configuration page pictures: 64 x 80, 16 colours, drawn on a pale card ----

PALETTE = [
    (0, 0, 0), (255, 255, 255), (246, 244, 232), (60, 60, 70),      # 0 black 1 white 2 card 3 ink
    (20, 150, 160), (120, 200, 205), (200, 60, 40), (240, 170, 60),  # 4 teal 5 light teal 6 red 7 amber
    (150, 95, 45), (95, 55, 25), (170, 170, 180), (215, 215, 222),   # 8 cookie 9 chip 10 grey 11 light grey
    (60, 120, 200), (150, 190, 240), (90, 170, 80), (250, 230, 150), # 12 blue 13 sky 14 green 15 pale yellow
]
PAGE_W, PAGE_H = 64, 80

def write_bmp4(path, w, h, fn):
    row_len = ((w + 1) // 2 + 3) & ~3
    data = b''
    for y in range(h - 1, -1, -1):
        row = bytearray(row_len)
        for x in range(w):
            index = fn(x, y) & 15
            row[x // 2] |= index << (4 if x % 2 == 0 else 0)
        data += bytes(row)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 4, 0, len(data), 2835, 2835, 16, 16)
    with open(path, 'wb') as f:
        f.write(header + info + palette + data)

def card(fn):
    """The picture inside a framed pale card, so it sits well on any face colour."""
    def draw(x, y):
        if x in (0, PAGE_W - 1) or y in (0, PAGE_H - 1):
            return 10
        inner = fn(x, y)
        return 2 if inner is None else inner
    return draw

def disc(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) <= r

def pic_cookies(x, y):
    for cx, cy in ((26, 22), (44, 34), (24, 40), (36, 16), (38, 46)):
        if disc(x, y, cx, cy, 2.6):
            return 9
    if disc(x, y, 32, 32, 22):
        return 3 if not disc(x, y, 32, 32, 20.8) else 8
    if disc(x, y, 16, 60, 9):
        return 3 if not disc(x, y, 16, 60, 8) else (9 if disc(x, y, 14, 58, 1.8) else 8)
    return None

def pic_rootdir(x, y):
    # a tall stack of file sheets spilling out of a drive
    if 10 <= x < 54 and 58 <= y < 70:
        if y in (58, 69) or x in (10, 53):
            return 3
        return 6 if (x - 46) ** 2 + (y - 64) ** 2 <= 4 else 10
    for i in range(6):
        left, top = 14 + (i % 2) * 12 + i * 2, 8 + i * 8
        if left <= x < left + 22 and top <= y < top + 14:
            if x in (left, left + 21) or y in (top, top + 13):
                return 3
            return 1 if (y - top) % 4 else 11
    return None

def pic_cddrives(x, y):
    r = math.hypot(x - 32, y - 34)
    if r <= 4:
        return None
    if r <= 7:
        return 10
    if r <= 24:
        if r > 23:
            return 3
        angle = math.atan2(y - 34, x - 32)
        return (13, 5, 15, 11)[int((angle + math.pi) / (math.pi / 2)) % 4]
    if 14 <= x < 50 and 64 <= y < 72:
        return 3 if y in (64, 71) or x in (14, 49) else (14 if x > 44 else 10)
    return None

def pic_tempfiles(x, y):
    # a waste basket with a "~" sheet dropping in
    if 16 <= x < 48 and 38 <= y < 72:
        inset = (y - 38) // 8
        if x < 16 + inset or x >= 48 - inset:
            return None
        if y == 71 or x in (16 + inset, 47 - inset):
            return 3
        return 4 if (x - 16) % 7 else 5
    if 12 <= x < 52 and 34 <= y < 38:
        return 3
    if 22 <= x < 42 and 8 <= y < 30:
        if x in (22, 41) or y in (8, 29):
            return 3
        wave = 17 + 3 * math.sin((x - 26) / 12 * 2 * math.pi)
        return 6 if 26 <= x <= 38 and abs(y - wave) < 1.5 else 1
    return None

def pic_internet(x, y):
    cx, cy, r0 = 32, 36, 24
    r = math.hypot(x - cx, y - cy)
    if r > r0:
        return None
    if r > r0 - 1.2:
        return 3
    dx, dy = (x - cx) / r0, (y - cy) / r0
    # meridians and parallels
    for k in (0.0, 0.55):
        width = math.sqrt(max(0.0, 1 - dy * dy)) * k
        if abs(abs(dx) - width) < 0.05:
            return 12
    if min(abs(dy), abs(abs(dy) - 0.5)) < 0.045:
        return 12
    land = (dx + 0.2) ** 2 + (dy + 0.25) ** 2 < 0.12 or (dx - 0.35) ** 2 + (dy - 0.35) ** 2 < 0.06
    return 14 if land else 13

def pic_filechk(x, y):
    # a page torn in two, its lower part shifted
    tear = 40 + 3 * math.sin(x / 3.0)
    if 14 <= x < 50:
        if 8 <= y < tear:
            if x in (14, 49) or y == 8:
                return 3
            return 11 if (y - 8) % 6 == 3 and 18 <= x < 46 else 1
        shifted = x - 4
        if 14 <= shifted < 50 and tear + 4 <= y < 72:
            if shifted in (14, 49) or y == 71:
                return 3
            return 11 if (y - 8) % 6 == 3 and 18 <= shifted < 46 else 15
    return None

def pic_launch(x, y):
    # a list of lines with tick boxes, launched one after another
    for i in range(6):
        top = 10 + i * 11
        if top <= y < top + 8:
            if 8 <= x < 16:
                if x in (8, 15) or y in (top, top + 7):
                    return 3
                rx, ry = x - 8, y - top
                on_tick = (2 <= rx <= 3 and ry - rx == 2) or (3 <= rx <= 6 and rx + ry == 8)
                return 14 if i != 3 and on_tick else 1
            if 20 <= x < 20 + 32 - (i % 3) * 6:
                return 4 if i != 3 else 10
    return None

def pic_main(x, y):
    # the program's emblem over a short launch arrow
    if y < 62:
        r, g, b, a = q_pixel(x - 4, y - 4, 56) if 4 <= x < 60 and 4 <= y < 60 else (0, 0, 0, 0)
        if a == 0:
            return None
        if (r, g, b) == (255, 255, 255):
            return 1
        return 4 if g > 175 else 5 if g > 200 else 4
    if 66 <= y < 74 and 12 <= x < 52 - abs(y - 70):
        return 7
    return None

def pic_blockads(x, y):
    # a browser window whose banner ad is struck out
    if 8 <= x < 56 and 10 <= y < 62:
        if x in (8, 55) or y in (10, 61):
            return 3
        if y < 17:
            return 6 if 51 <= x <= 53 and 12 <= y <= 14 else 12
        if 13 <= x < 51 and 20 <= y < 38:
            cx, cy = 31.5, 28.5
            r = math.hypot(x - cx, y - cy)
            if 6 <= r <= 8.2 or (r < 7 and abs((x - cx) - (y - cy)) <= 1.1):
                return 6
            return 7 if x in (13, 50) or y in (20, 37) else 15
        if 13 <= x < 51 and y in (42, 46, 50, 54, 58) and not (y == 58 and x > 38):
            return 10
        return 1
    if 20 <= x < 44 and 66 <= y < 72:
        return 4 if y in (66, 71) or x in (20, 43) else 5
    return None

PAGE_PICTURES = [
    ('page_cookies.bmp', pic_cookies), ('page_rootdir.bmp', pic_rootdir), ('page_cddrives.bmp', pic_cddrives),
    ('page_tempfiles.bmp', pic_tempfiles), ('page_internet.bmp', pic_internet), ('page_filechk.bmp', pic_filechk),
    ('page_launch.bmp', pic_launch), ('page_main.bmp', pic_main), ('page_blockads.bmp', pic_blockads),
]

if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, 'Quillrest.ico'), [32, 16])
    write_bmp(os.path.join(here, 'welcome1.bmp'), 64, 64, rocket)
    write_bmp(os.path.join(here, 'welcome2.bmp'), 64, 64, broom)
    for name, fn in PAGE_PICTURES:
        write_bmp4(os.path.join(here, name), PAGE_W, PAGE_H, card(fn))
