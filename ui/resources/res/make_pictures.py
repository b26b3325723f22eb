#!/usr/bin/env python3
"""Draws the pictures of the tiles and page controls from simple shapes (run once; the outputs are
committed): the certificate-type pictograms, the busy indicator's strip, the information icon and the
page picture. Each pixel is the average of sub-pixel samples, so edges are smooth."""
import math
import struct
import zlib


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


def render(width, height, shade, samples=4, background=(0, 0, 0, 0)):
    """shade(x, y) -> (r, g, b, a) or None at a point in pixel units; layers are up to shade."""
    pixels = []
    for py in range(height):
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(samples):
                for sx in range(samples):
                    c = shade(px + (sx + 0.5) / samples, py + (sy + 0.5) / samples) or background
                    a = c[3] / 255.0
                    acc[0] += c[0] * a
                    acc[1] += c[1] * a
                    acc[2] += c[2] * a
                    acc[3] += a
            n = samples * samples
            alpha = acc[3] / n
            if alpha <= 0:
                pixels.append((0, 0, 0, 0))
            else:
                pixels.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha * 255)),))
    return pixels


def seg(x, y, ax, ay, bx, by):
    """Distance from (x, y) to the segment a-b."""
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


def rrect(x, y, left, top, right, bottom, radius):
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return math.hypot(x - cx, y - cy) <= radius


WHITE = (255, 255, 255, 255)
GOLD = (242, 193, 78, 255)
BLUE = (40, 90, 170, 255)
SKY = (150, 205, 255, 255)
SHADOW = (60, 60, 60, 90)


def key(x, y):  # authentication
    if math.hypot(x - 20, y - 32) <= 13 and math.hypot(x - 20, y - 32) >= 6:
        return WHITE
    if seg(x, y, 32, 32, 56, 32) <= 4 or seg(x, y, 50, 32, 50, 43) <= 3.5 or seg(x, y, 42, 32, 42, 40) <= 3.5:
        return WHITE
    return None


def padlock(x, y):  # encryption
    r = math.hypot(x - 32, y - 28)
    if y <= 28 and 11 <= r <= 17:
        return WHITE
    if (15 <= x <= 21 or 43 <= x <= 49) and 27 <= y <= 33:
        return WHITE
    if rrect(x, y, 12, 30, 52, 58, 5):
        if math.hypot(x - 32, y - 40) <= 4.5 or seg(x, y, 32, 40, 32, 50) <= 2:
            return BLUE
        return WHITE
    return None


def pen(x, y, accent):
    # a pen from top right to bottom left, its nib in the accent colour, over a signature stroke
    if seg(x, y, 50, 8, 26, 38) <= 5.5:
        return WHITE
    if seg(x, y, 26, 38, 18, 48) <= 3.5 - 0.25 * max(0.0, min(10.0, 38 - y)) + 1.0:
        return accent
    wave = 56 + 3 * math.sin((x - 6) / 4.0)
    if 6 <= x <= 58 and abs(y - wave) <= 1.6:
        return WHITE
    return None


def standard(x, y):
    return pen(x, y, WHITE)


def advanced(x, y):
    badge = math.hypot(x - 14, y - 14)
    if badge <= 10:
        if seg(x, y, 9, 20, 14, 7) <= 1.8 or seg(x, y, 19, 20, 14, 7) <= 1.8 or seg(x, y, 11, 16, 17, 16) <= 1.5:
            return BLUE
        return SKY
    return pen(x, y, SKY)


def qualified(x, y):
    # a seal with two ribbon tails and a check mark
    if (seg(x, y, 24, 40, 16, 60) <= 5 or seg(x, y, 40, 40, 48, 60) <= 5) and y > 38:
        return GOLD
    r = math.hypot(x - 32, y - 28)
    wobble = 22 + 1.8 * math.cos(12 * math.atan2(y - 28, x - 32))
    if r <= wobble:
        if seg(x, y, 22, 29, 29, 36) <= 3 or seg(x, y, 29, 36, 43, 20) <= 3:
            return BLUE
        return GOLD if r > 16 else WHITE
    return None


def info(x, y):
    r = math.hypot(x - 32, y - 32)
    if r > 30:
        return None
    mark = WHITE
    arc = math.hypot(x - 32, y - 24)
    angle = math.degrees(math.atan2(y - 24, x - 32))
    if 6 <= arc <= 12 and -165 <= angle <= 45:
        return mark
    if seg(x, y, 38.4, 30.4, 32, 36) <= 3 or seg(x, y, 32, 36, 32, 40) <= 3 or math.hypot(x - 32, y - 49) <= 4:
        return mark
    return (140, 140, 140, 255)


def spinner_frame(frame):
    def shade(x, y):
        for dot in range(8):
            angle = (dot - frame) * math.pi / 4 - math.pi / 2
            cx = 64 + 42 * math.cos(angle)
            cy = 64 + 42 * math.sin(angle)
            if math.hypot(x - cx, y - cy) <= 13 - dot * 0.9:
                fade = dot / 8.0
                return (int(40 + 170 * fade), int(90 + 120 * fade), int(170 + 50 * fade), 255)
        return WHITE
    return shade


def card(x, y):
    # a smart card with its chip and a key-hole mark, on white
    if rrect(x, y, 14, 30, 242, 170, 14):
        if rrect(x, y, 40, 70, 92, 112, 6):
            if abs(x - 66) < 1.2 or abs(y - 91) < 1.2 or (abs(x - 53) < 1 and 70 <= y <= 112):
                return (190, 140, 40, 255)
            return GOLD
        mark = math.hypot(x - 196, y - 76)
        if mark <= 16 or seg(x, y, 196, 80, 196, 104) <= 7:
            return WHITE
        if 110 <= x <= 226 and (abs(y - 130) <= 3 or abs(y - 146) <= 3) and not (x > 190 and y > 140):
            return SKY
        return BLUE
    if rrect(x - 6, y - 8, 14, 30, 242, 170, 14):
        return (200, 200, 200, 255)
    return WHITE


def pictogram(name, shade):
    write_png(name, 64, 64, render(64, 64, shade))


pictogram('cert_qualified.png', qualified)
pictogram('cert_advanced.png', advanced)
pictogram('cert_standard.png', standard)
pictogram('cert_authentication.png', key)
pictogram('cert_encryption.png', padlock)
pictogram('info.png', info)

frames = [render(128, 128, spinner_frame(f), samples=2) for f in range(8)]
strip = []
for y in range(128):
    for f in range(8):
        strip.extend(frames[f][y * 128:(y + 1) * 128])
write_png('spinner.png', 1024, 128, strip)
write_png('page_picture.png', 256, 192, render(256, 192, card, samples=2))
