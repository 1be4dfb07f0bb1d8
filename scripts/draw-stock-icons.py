#!/usr/bin/env python3
"""Draws the message box's four stock icons (warning, error, information, question) as PNGs
under resources/ICON, at 32 and 64 pixels, anti-aliased by 8 x 8 supersampling."""
import math, os, struct, sys, zlib

def png(path, w, h, rgba):
    raw = b''.join(b'\0' + bytes(rgba[y * w * 4:(y + 1) * w * 4]) for y in range(h))
    def chunk(t, d):
        return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))

def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy or 1)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)

def in_triangle(x, y):
    # Rounded-looking triangle: apex (0.5, 0.06), base corners (0.03, 0.92) and (0.97, 0.92).
    a, b, c = (0.5, 0.06), (0.03, 0.92), (0.97, 0.92)
    def side(p, q):
        return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0])
    s1, s2, s3 = side(a, b), side(b, c), side(c, a)
    return (s1 <= 0 and s2 <= 0 and s3 <= 0) or (s1 >= 0 and s2 >= 0 and s3 >= 0)

def glyph_bang(x, y, top, bottom, dot):
    return seg_dist(x, y, 0.5, top, 0.5, bottom) < 0.055 or math.hypot(x - 0.5, y - dot) < 0.06

def glyph_cross(x, y):
    return seg_dist(x, y, 0.32, 0.32, 0.68, 0.68) < 0.065 or seg_dist(x, y, 0.68, 0.32, 0.32, 0.68) < 0.065

def glyph_i(x, y):
    return seg_dist(x, y, 0.5, 0.44, 0.5, 0.76) < 0.06 or math.hypot(x - 0.5, y - 0.28) < 0.07

def glyph_q(x, y):
    r = math.hypot(x - 0.5, y - 0.38)
    ang = math.atan2(y - 0.38, x - 0.5)
    arc = abs(r - 0.14) < 0.055 and not (0.3 < ang < 2.4)
    stem = seg_dist(x, y, 0.58, 0.49, 0.5, 0.58) < 0.055 or seg_dist(x, y, 0.5, 0.58, 0.5, 0.64) < 0.055
    return arc or stem or math.hypot(x - 0.5, y - 0.77) < 0.065

KINDS = {
    'WARNING': ((0xF2, 0xB8, 0x1C), 'triangle', lambda x, y: glyph_bang(x, y, 0.36, 0.66, 0.8)),
    'ERROR': ((0xD3, 0x2F, 0x2F), 'circle', glyph_cross),
    'INFORMATION': ((0x1E, 0x6F, 0xD0), 'circle', glyph_i),
    'QUESTION': ((0x1E, 0x6F, 0xD0), 'circle', glyph_q),
}

def draw(kind, size):
    colour, shape, glyph = KINDS[kind]
    ss = 8
    out = []
    for py in range(size):
        for px in range(size):
            cover = mark = 0
            for sy in range(ss):
                for sx in range(ss):
                    x = (px + (sx + 0.5) / ss) / size
                    y = (py + (sy + 0.5) / ss) / size
                    inside = in_triangle(x, y) if shape == 'triangle' else math.hypot(x - 0.5, y - 0.5) < 0.47
                    if inside:
                        cover += 1
                        if glyph(x, y):
                            mark += 1
            n = ss * ss
            a = cover / n
            if cover == 0:
                out += [0, 0, 0, 0]
                continue
            m = mark / cover
            fg = (0x20, 0x20, 0x20) if shape == 'triangle' else (255, 255, 255)
            out += [round(colour[i] * (1 - m) + fg[i] * m) for i in range(3)] + [round(a * 255)]
    return out

root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), '..', 'resources')
os.makedirs(os.path.join(root, 'ICON'), exist_ok=True)
for kind in KINDS:
    for size in (32, 64):
        png(os.path.join(root, 'ICON', 'ZCLSTOCK_%s%d.png' % (kind, size)), size, size, draw(kind, size))
