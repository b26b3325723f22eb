#!/usr/bin/env python3
"""Draws the pictures of the browser login's local pages (run once; the outputs are committed): the
wait page's globe, a blue sphere with white meridians and parallels, and the error page's sign, an
amber triangle with a dark exclamation mark. Uses the drawing helpers of the user interface's picture
script."""
import importlib.util
import math
import os

here = os.path.dirname(os.path.abspath(__file__))
source = os.path.join(here, '..', '..', '..', 'ui', 'resources', 'res', 'make_pictures.py')
spec = importlib.util.spec_from_loader('pictures', loader=None)
pictures = importlib.util.module_from_spec(spec)
code = open(source).read().split("\npictogram('cert_qualified.png'")[0]  # helpers only
exec(code, pictures.__dict__)

SIZE = 96
C = SIZE / 2.0
R = 40.0


def globe(x, y):
    dx, dy = x - C, y - C
    d = math.hypot(dx, dy)
    if d > R:
        return None
    if d > R - 2.5:
        return (30, 80, 150, 255)
    line = False
    for latitude in (-0.5, 0.0, 0.5):  # parallels, as sin of the latitude
        if abs(dy - latitude * R) <= 1.3:
            line = True
    half = math.sqrt(max(R * R - dy * dy, 0.0))
    for k in (-0.66, 0.0, 0.66):  # meridians: ellipses through the poles
        if half > 0 and abs(dx - k * half) <= 1.3:
            line = True
    if line:
        return (255, 255, 255, 255)
    shade = 1.0 - 0.35 * (d / R)
    return (int(40 * shade), int(120 * shade), int(210 * shade), 255)


def warning(x, y):
    top, bottom, half = 10.0, 86.0, 42.0
    if y < top or y > bottom:
        return None
    width = half * (y - top) / (bottom - top)
    if abs(x - C) > width:
        return None
    if pictures.seg(x, y, C, 34, C, 62) <= 4.5 or math.hypot(x - C, y - 73) <= 4.5:
        return (60, 40, 10, 255)
    return (240, 170, 30, 255)


os.chdir(here)
pictures.write_png('globe.png', SIZE, SIZE, pictures.render(SIZE, SIZE, globe))
pictures.write_png('error.png', SIZE, SIZE, pictures.render(SIZE, SIZE, warning))
