#!/usr/bin/env python3
"""Draws the account list's three row pictures (run once; the outputs are committed): a green dot
(nothing to do), a yellow triangle with an exclamation mark (attention) and a red square with a white
cross (action required), 32 pixels on a side so that they scale down to the small-icon size. Each
pixel is the average of sub-pixel samples, so edges are smooth."""
import struct
import zlib

SIZE = 32


def write_png(path, width, height, pixels):
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows += bytes(pixels[y * width + x])

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 6, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(bytes(rows), 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)


def render(shade, samples=4):
    pixels = []
    for py in range(SIZE):
        for px in range(SIZE):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    c = shade(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples) or (0, 0, 0, 0)
                    a = c[3] / 255.0
                    for i in range(3):
                        acc[i] += c[i] * a
                    acc[3] += a
            alpha = acc[3] / (samples * samples)
            if alpha <= 0:
                pixels.append((0, 0, 0, 0))
            else:
                pixels.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha * 255)),))
    return pixels


def mix(top, bottom, t):
    return tuple(int(round(top[i] + (bottom[i] - top[i]) * t)) for i in range(3)) + (255,)


def dot(x, y):
    cx = cy = SIZE / 2
    d2 = (x - cx) ** 2 + (y - cy) ** 2
    if d2 > 13.5 ** 2:
        return None
    if d2 > 12 ** 2:
        return (30, 110, 40, 255)  # rim
    # lit from the upper left
    t = min(1.0, max(0.0, ((x - 10) ** 2 + (y - 10) ** 2) ** 0.5 / 22))
    return mix((150, 225, 140), (40, 160, 60), t)


def inside_triangle(x, y, inset):
    top, bottom, half = 3 + inset * 1.6, 29 - inset, 14.5 - inset * 1.3
    if y < top or y > bottom:
        return False
    w = half * (y - top) / (bottom - top)
    return abs(x - SIZE / 2) <= w


def triangle(x, y):
    if not inside_triangle(x, y, 0):
        return None
    if not inside_triangle(x, y, 1.6):
        return (170, 120, 0, 255)  # rim
    cx = SIZE / 2
    if abs(x - cx) <= 1.7 and 11 <= y <= 21:
        return (40, 30, 0, 255)  # the mark's stroke
    if (x - cx) ** 2 + (y - 24.5) ** 2 <= 1.9 ** 2:
        return (40, 30, 0, 255)  # its dot
    return mix((255, 226, 90), (245, 180, 0), (y - 3) / 26)


def square(x, y):
    if not (3 <= x <= 29 and 3 <= y <= 29):
        return None
    if not (4.5 <= x <= 27.5 and 4.5 <= y <= 27.5):
        return (130, 20, 20, 255)  # rim
    u, v = x - SIZE / 2, y - SIZE / 2
    if abs(u) <= 7.5 and abs(v) <= 7.5 and (abs(u - v) <= 2.2 or abs(u + v) <= 2.2):
        return (255, 255, 255, 255)  # the cross
    return mix((235, 80, 70), (190, 30, 30), (y - 3) / 26)


if __name__ == '__main__':
    write_png('status_good.png', SIZE, SIZE, render(dot))
    write_png('status_attention.png', SIZE, SIZE, render(triangle))
    write_png('status_action.png', SIZE, SIZE, render(square))
