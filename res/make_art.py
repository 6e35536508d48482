#!/usr/bin/env python3
"""Draws the program's icon, the welcome pictures and the configuration pages'
pictures (no external images).

Run once by hand; the outputs are committed: Quillrest.ico and the applet's
Applet.ico (16 to 48 pixels, for 96 to 144 DPI), welcome1.bmp, welcome2.bmp and
page_*.bmp (16 colours, to keep the program small; drawn at twice their size on
a 96-DPI screen, so they stay sharp at any DPI).
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

# ---- pictures: drawn on a 64 x 80 (or 64 x 64) grid for 96 DPI, written at twice
# that size (for 192 DPI); the program reduces them smoothly to the system DPI.
# Each picture function gets continuous grid coordinates (x, y): whole numbers
# are the centres of the 96-DPI pixels.  Straight edges use the grid cell
# (cell(x)), so they stay on whole pixels at 96 DPI; curves and diagonals use x
# and y as they are, so they are smooth at every size.

SCALE = 2

PALETTE = [
    (0, 0, 0), (255, 255, 255), (246, 244, 232), (60, 60, 70),      # 0 black 1 white 2 card 3 ink
    (20, 150, 160), (120, 200, 205), (200, 60, 40), (240, 170, 60),  # 4 teal 5 light teal 6 red 7 amber
    (150, 95, 45), (95, 55, 25), (170, 170, 180), (215, 215, 222),   # 8 cookie 9 chip 10 grey 11 light grey
    (60, 120, 200), (150, 190, 240), (90, 170, 80), (250, 230, 150), # 12 blue 13 sky 14 green 15 pale yellow
]
PAGE_W, PAGE_H = 64, 80
WELCOME_W, WELCOME_H = 64, 64

def cell(v):
    """The 96-DPI pixel a continuous coordinate falls in."""
    return math.floor(v + 0.5)

def write_bmp4(path, w, h, fn):
    """A 16-colour bitmap of fn on the grid, SCALE times as large.  Not run-length
    encoded: the static controls of some Windows versions load only plain bitmaps."""
    W, H = w * SCALE, h * SCALE
    row_len = ((W + 1) // 2 + 3) & ~3
    data = b''
    for Y in range(H - 1, -1, -1):
        y = (Y + 0.5) / SCALE - 0.5
        row = bytearray(row_len)
        for X in range(W):
            index = fn((X + 0.5) / SCALE - 0.5, y) & 15
            row[X // 2] |= index << (4 if X % 2 == 0 else 0)
        data += bytes(row)
    palette = b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    offset = 14 + 40 + len(palette)
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, W, H, 1, 4, 0, len(data), 5670, 5670, 16, 16)
    with open(path, 'wb') as f:
        f.write(header + info + palette + data)

def card(fn, w=PAGE_W, h=PAGE_H):
    """The picture inside a framed pale card, so it sits well on any face colour."""
    def draw(x, y):
        if cell(x) in (0, w - 1) or cell(y) in (0, h - 1):
            return 10
        inner = fn(x, y)
        return 2 if inner is None else inner
    return draw

def disc(x, y, cx, cy, r):
    return math.hypot(x - cx, y - cy) <= r

def near_segment(x, y, ax, ay, bx, by, width):
    """Within width / 2 of the segment from (ax, ay) to (bx, by)."""
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy) <= width / 2

def welcome_clock(x, y):
    # a clock face with quick hands: "usable sooner"
    c = (WELCOME_W - 1) / 2.0
    r = math.hypot(x - c, y - c)
    if r > 27:
        return None
    if r > 24:
        return 4
    if near_segment(x, y, c, c, c, 12, 3):
        return 3
    if near_segment(x, y, c, c, 48, c, 3):
        return 6
    return 1

def welcome_bars(x, y):
    # stacked bars, launched one at a time
    xi, yi = cell(x), cell(y)
    if 8 <= yi < 56 and ((yi - 8) % 12) < 8:
        row = (yi - 8) // 12
        if 8 <= xi < 20 + row * 12:
            return (4, 5, 12, 13)[row]
    return None

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
    xi, yi = cell(x), cell(y)
    if 10 <= xi < 54 and 58 <= yi < 70:
        if yi in (58, 69) or xi in (10, 53):
            return 3
        return 6 if disc(x, y, 46, 64, 2) else 10
    for i in range(6):
        left, top = 14 + (i % 2) * 12 + i * 2, 8 + i * 8
        if left <= xi < left + 22 and top <= yi < top + 14:
            if xi in (left, left + 21) or yi in (top, top + 13):
                return 3
            return 1 if (yi - top) % 4 else 11
    return None

def pic_cddrives(x, y):
    xi, yi = cell(x), cell(y)
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
    if 14 <= xi < 50 and 64 <= yi < 72:
        return 3 if yi in (64, 71) or xi in (14, 49) else (14 if xi > 44 else 10)
    return None

def pic_tempfiles(x, y):
    # a waste basket with a "~" sheet dropping in
    xi, yi = cell(x), cell(y)
    if 16 <= xi < 48 and 38 <= yi < 72:
        inset = (yi - 38) // 8
        if xi < 16 + inset or xi >= 48 - inset:
            return None
        if yi == 71 or xi in (16 + inset, 47 - inset):
            return 3
        return 4 if (xi - 16) % 7 else 5
    if 12 <= xi < 52 and 34 <= yi < 38:
        return 3
    if 22 <= xi < 42 and 8 <= yi < 30:
        if xi in (22, 41) or yi in (8, 29):
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
    xi, yi = cell(x), cell(y)
    tear = 40 + 3 * math.sin(x / 3.0)
    if 14 <= xi < 50 and 8 <= yi and y < tear:
        if xi in (14, 49) or yi == 8:
            return 3
        return 11 if (yi - 8) % 6 == 3 and 18 <= xi < 46 else 1
    shifted = xi - 4
    if 14 <= shifted < 50 and tear + 4 <= y and yi < 72:
        if shifted in (14, 49) or yi == 71:
            return 3
        return 11 if (yi - 8) % 6 == 3 and 18 <= shifted < 46 else 15
    return None

def pic_launch(x, y):
    # a list of lines with tick boxes, launched one after another
    xi, yi = cell(x), cell(y)
    for i in range(6):
        top = 10 + i * 11
        if top <= yi < top + 8:
            if 8 <= xi < 16:
                if xi in (8, 15) or yi in (top, top + 7):
                    return 3
                tick = near_segment(x, y, 10, top + 4, 11, top + 5, 1.3) or \
                    near_segment(x, y, 11, top + 5, 14, top + 2, 1.3)
                return 14 if i != 3 and tick else 1
            if 20 <= xi < 20 + 32 - (i % 3) * 6:
                return 4 if i != 3 else 10
    return None

def pic_main(x, y):
    # the program's emblem over a short launch arrow
    xi, yi = cell(x), cell(y)
    if yi < 62:
        r, g, b, a = q_pixel(x - 4, y - 4, 56) if 4 <= xi < 60 and 4 <= yi < 60 else (0, 0, 0, 0)
        if a == 0:
            return None
        if (r, g, b) == (255, 255, 255):
            return 1
        return 4 if g > 175 else 5 if g > 200 else 4
    if 66 <= yi < 74 and 12 <= xi and x < 52 - abs(y - 69.5):
        return 7
    return None

def pic_blockads(x, y):
    # a browser window whose banner ad is struck out
    xi, yi = cell(x), cell(y)
    if 8 <= xi < 56 and 10 <= yi < 62:
        if xi in (8, 55) or yi in (10, 61):
            return 3
        if yi < 17:
            return 6 if 51 <= xi <= 53 and 12 <= yi <= 14 else 12
        if 13 <= xi < 51 and 20 <= yi < 38:
            cx, cy = 31.5, 28.5
            r = math.hypot(x - cx, y - cy)
            if 6 <= r <= 8.2 or (r < 7 and abs((x - cx) - (y - cy)) <= 1.1):
                return 6
            return 7 if xi in (13, 50) or yi in (20, 37) else 15
        if 13 <= xi < 51 and yi in (42, 46, 50, 54, 58) and not (yi == 58 and xi > 38):
            return 10
        return 1
    if 20 <= xi < 44 and 66 <= yi < 72:
        return 4 if yi in (66, 71) or xi in (20, 43) else 5
    return None

PAGE_PICTURES = [
    ('page_cookies.bmp', pic_cookies), ('page_rootdir.bmp', pic_rootdir), ('page_cddrives.bmp', pic_cddrives),
    ('page_tempfiles.bmp', pic_tempfiles), ('page_internet.bmp', pic_internet), ('page_filechk.bmp', pic_filechk),
    ('page_launch.bmp', pic_launch), ('page_main.bmp', pic_main), ('page_blockads.bmp', pic_blockads),
]

if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    # The program's icon, and the same emblem for the Control Panel applet.
    for ico in ('Quillrest.ico', os.path.join('..', 'install', 'applet', 'Applet.ico')):
        write_ico(os.path.join(here, ico), [48, 32, 24, 16])
    write_bmp4(os.path.join(here, 'welcome1.bmp'), WELCOME_W, WELCOME_H, card(welcome_clock, WELCOME_W, WELCOME_H))
    write_bmp4(os.path.join(here, 'welcome2.bmp'), WELCOME_W, WELCOME_H, card(welcome_bars, WELCOME_W, WELCOME_H))
    for name, fn in PAGE_PICTURES:
        write_bmp4(os.path.join(here, name), PAGE_W, PAGE_H, card(fn))
