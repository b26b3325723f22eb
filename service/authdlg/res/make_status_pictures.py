#!/usr/bin/env python3
"""Draws the two status pictures of the authentication pages (run once; the outputs are committed):
the alert, a red rounded square with a white exclamation mark, and the information sign, a blue disc
with a white "i". Uses the drawing helpers of the user interface's picture script."""
import importlib.util
import math
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
source = os.path.join(here, '..', '..', '..', 'ui', 'resources', 'res', 'make_pictures.py')
spec = importlib.util.spec_from_loader('pictures', loader=None)
pictures = importlib.util.module_from_spec(spec)
code = open(source).read().split("\npictogram('cert_qualified.png'")[0]  # helpers only
exec(code, pictures.__dict__)

WHITE = (255, 255, 255, 255)


def alert(x, y):
    if not pictures.rrect(x, y, 4, 4, 60, 60, 10):
        return None
    if pictures.seg(x, y, 32, 16, 32, 38) <= 4.5 or math.hypot(x - 32, y - 48) <= 4.5:
        return WHITE
    return (204, 40, 40, 255)


def information(x, y):
    if math.hypot(x - 32, y - 32) > 29:
        return None
    if pictures.seg(x, y, 32, 29, 32, 48) <= 4.5 or math.hypot(x - 32, y - 18) <= 4.5:
        return WHITE
    return (40, 90, 170, 255)


os.chdir(here)
pictures.write_png('status_alert.png', 64, 64, pictures.render(64, 64, alert))
pictures.write_png('status_info.png', 64, 64, pictures.render(64, 64, information))


def issuer_logo(x, y):
    """The tests' issuer: a teal shield with a white tick, over white."""
    inside = abs(x - 64) <= 44 and 14 <= y <= 70 or (y > 70 and abs(x - 64) <= 44 * (1 - (y - 70) / 46.0) and y <= 116)
    if not inside:
        return WHITE
    if pictures.seg(x, y, 42, 62, 58, 80) <= 7 or pictures.seg(x, y, 58, 80, 88, 40) <= 7:
        return WHITE
    return (20, 130, 140, 255)


pictures.write_png(os.path.join('..', 'tests', 'issuer_logo.png'), 128, 128, pictures.render(128, 128, issuer_logo))
