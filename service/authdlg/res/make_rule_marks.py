#!/usr/bin/env python3
"""Draws the two marks of the password rules on the PIN change page (run once; the outputs are
committed): a green dot for a rule the new password meets, a red square for one it does not. Uses
the drawing helpers of the user interface's picture script."""
import importlib.util
import math
import os

here = os.path.dirname(os.path.abspath(__file__))
source = os.path.join(here, '..', '..', '..', 'ui', 'resources', 'res', 'make_pictures.py')
spec = importlib.util.spec_from_loader('pictures', loader=None)
pictures = importlib.util.module_from_spec(spec)
code = open(source).read().split("\npictogram('cert_qualified.png'")[0]  # helpers only
exec(code, pictures.__dict__)


def met(x, y):
    distance = math.hypot(x - 32, y - 32)
    if distance > 26:
        return None
    return (60, 170, 70, 255) if distance > 22 or (x - 26) ** 2 + (y - 24) ** 2 > 40 else (120, 210, 120, 255)


def unmet(x, y):
    if not pictures.rrect(x, y, 8, 8, 56, 56, 6):
        return None
    return (204, 40, 40, 255)


os.chdir(here)
pictures.write_png('rule_met.png', 64, 64, pictures.render(64, 64, met))
pictures.write_png('rule_unmet.png', 64, 64, pictures.render(64, 64, unmet))
