#!/usr/bin/env python3
"""Draws the folder icon of the shell folder tree (resources/ICON/ZCLFOLDER16.png, 16 x 16, with
alpha), anti-aliased by 8 x 8 supersampling."""
import os, struct, sys, zlib

def png(path, w, h, rgba):
    raw = b''.join(b'\0' + bytes(rgba[y * w * 4:(y + 1) * w * 4]) for y in range(h))
    def chunk(t, d):
        return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 6, 0, 0, 0))
                + chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))

BACK, FRONT, EDGE = (214, 160, 48), (246, 200, 86), (160, 112, 24)

def sample(x, y):
    # x, y in 0..16: a tab at the top left, the back panel, then the front panel over it.
    if 1.5 <= x <= 14.5 and 4.5 <= y <= 13.5:
        if 2.5 <= x <= 13.5 and 6.5 <= y <= 12.5:
            return FRONT
        return EDGE if (x < 2.5 or x > 13.5 or y > 12.5) else BACK
    if 1.5 <= x <= 7.0 and 2.5 <= y <= 4.5:
        return EDGE if (x < 2.5 or y < 3.5) else BACK
    return None

def main():
    out = os.path.join(sys.argv[1] if len(sys.argv) > 1 else 'resources', 'ICON', 'ZCLFOLDER16.png')
    n, size, px = 8, 16, []
    for y in range(size):
        for x in range(size):
            acc, hits = [0, 0, 0], 0
            for sy in range(n):
                for sx in range(n):
                    c = sample(x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    if c:
                        hits += 1
                        acc = [a + b for a, b in zip(acc, c)]
            if hits:
                px += [acc[0] // hits, acc[1] // hits, acc[2] // hits, 255 * hits // (n * n)]
            else:
                px += [0, 0, 0, 0]
    png(out, size, size, px)

if __name__ == '__main__':
    main()
