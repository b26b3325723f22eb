#!/usr/bin/env python3
"""Writes the program's icons and its built-in About logo (run once; the outputs are committed)."""
import struct
import zlib


def ico(path, colour, mark):
    """A square key-hole icon at 16 and 32 pixels; mark draws the attention dot."""
    images = []
    for size in (16, 32):
        pixels = bytearray()
        for y in range(size - 1, -1, -1):  # bottom-up rows
            for x in range(size):
                cx, cy = x - size / 2 + 0.5, y - size / 2 + 0.5
                inside = abs(cx) < size * 0.42 and abs(cy) < size * 0.42
                hole = (cx * cx + (cy + size * 0.08) ** 2) < (size * 0.12) ** 2 or (
                    abs(cx) < size * 0.05 and size * -0.05 < cy < size * 0.25)
                dot = mark and (x - size * 0.78) ** 2 + (y - size * 0.78) ** 2 < (size * 0.2) ** 2
                if dot:
                    pixels += bytes((0, 200, 255, 255))
                elif inside and not hole:
                    pixels += bytes((colour[2], colour[1], colour[0], 255))
                else:
                    pixels += bytes((0, 0, 0, 0))
        mask = bytes(((size + 31) // 32) * 4 * size)
        header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
        images.append((size, header + bytes(pixels) + mask))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for _, blob in images:
        out += blob
    open(path, 'wb').write(out)


def png(path, width, height):
    """A plain logo: a blue band with a key-hole mark on white."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            band = height * 0.35 < y < height * 0.65
            mark = (x - width * 0.2) ** 2 + (y - height * 0.5) ** 2 < (height * 0.28) ** 2
            if mark:
                rows += bytes((20, 60, 140))
            elif band:
                rows += bytes((70, 130, 210))
            else:
                rows += bytes((255, 255, 255))

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))

    data = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
    data += chunk(b'IDAT', zlib.compress(bytes(rows), 9)) + chunk(b'IEND', b'')
    open(path, 'wb').write(data)


ico('lumapassv.ico', (40, 90, 170), False)
ico('attention.ico', (40, 90, 170), True)
png('about_logo.png', 640, 330)
