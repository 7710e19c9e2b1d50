#!/usr/bin/env python3
"""Draws the 18 images of the dark stylesheet psblack.css into psblack/ (RGBA PNG).

Plain Python, no packages: every shape is an inside test sampled 8 x 8 times per pixel for
anti-aliasing, layers are composited with "over", and the PNG writer stores no time stamps, so the
output is the same on every run. Run it after changing a drawing:

    python3 app/resources/qss/draw_images.py
"""

import math
import os
import struct
import zlib

SUB = 8  # samples per pixel along each axis

# The sheet's greys.
TEXT = (0xDC, 0xDC, 0xDC)
MARK = (0xB4, 0xB4, 0xB4)
BOX_BORDER = (0x80, 0x80, 0x80)
BOX_TOP = (0x48, 0x48, 0x48)
BOX_BOTTOM = (0x38, 0x38, 0x38)
OFF_BORDER = (0x48, 0x48, 0x48)
OFF_FILL = (0x2C, 0x2C, 0x2C)
OFF_MARK = (0x66, 0x66, 0x66)


# ---- shapes: functions (x, y) -> bool, in pixel coordinates (pixel centres at i + 0.5) ----

def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x > x1 or y < y0 or y > y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            if (ay > y) != (by > y):
                if x < ax + (y - ay) * (bx - ax) / (by - ay):
                    hit = not hit
        return hit
    return inside


def stroke(points, width):
    half = width / 2.0

    def segment_distance(x, y, a, b):
        ax, ay = a
        bx, by = b
        dx, dy = bx - ax, by - ay
        t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
        t = min(max(t, 0.0), 1.0)
        return math.hypot(x - (ax + t * dx), y - (ay + t * dy))

    def inside(x, y):
        return any(segment_distance(x, y, points[i], points[i + 1]) <= half
                   for i in range(len(points) - 1))
    return inside


def difference(outer, inner):
    return lambda x, y: outer(x, y) and not inner(x, y)


# ---- painting ----

class Canvas:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[(0.0, 0.0, 0.0, 0.0)] * width for _ in range(height)]  # premultiplied

    def fill(self, shape, colour, bottom_colour=None):
        """Paints shape with colour, or with a top-to-bottom gradient to bottom_colour."""
        for j in range(self.height):
            t = j / max(self.height - 1, 1)
            c = colour if bottom_colour is None else tuple(
                colour[k] + (bottom_colour[k] - colour[k]) * t for k in range(3))
            for i in range(self.width):
                hits = 0
                for sy in range(SUB):
                    y = j + (sy + 0.5) / SUB
                    for sx in range(SUB):
                        if shape(i + (sx + 0.5) / SUB, y):
                            hits += 1
                if hits == 0:
                    continue
                a = hits / (SUB * SUB)
                r, g, b, da = self.pixels[j][i]
                self.pixels[j][i] = (c[0] * a + r * (1 - a), c[1] * a + g * (1 - a),
                                     c[2] * a + b * (1 - a), a + da * (1 - a))

    def png(self):
        rows = bytearray()
        for row in self.pixels:
            rows.append(0)  # filter type None
            for r, g, b, a in row:
                if a <= 0.0:
                    rows += b"\0\0\0\0"
                else:
                    rows += bytes((round(r / a), round(g / a), round(b / a), round(a * 255)))

        def chunk(kind, data):
            body = kind + data
            return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

        header = struct.pack(">IIBBBBB", self.width, self.height, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


# ---- the images ----

def checkbox(state, enabled):
    c = Canvas(13, 13)
    outer = rounded_rect(0.5, 0.5, 12.5, 12.5, 2.5)
    inner = rounded_rect(1.5, 1.5, 11.5, 11.5, 1.5)
    if enabled:
        c.fill(inner, BOX_TOP, BOX_BOTTOM)
        c.fill(difference(outer, inner), BOX_BORDER)
        mark = TEXT
    else:
        c.fill(inner, OFF_FILL)
        c.fill(difference(outer, inner), OFF_BORDER)
        mark = OFF_MARK
    if state == "checked":
        c.fill(stroke([(3.3, 6.6), (5.5, 8.9), (9.8, 3.9)], 1.8), mark)
    elif state == "parcial":
        c.fill(rounded_rect(3.5, 3.5, 9.5, 9.5, 1.0), mark)
    return c


def radiobutton(checked, enabled):
    c = Canvas(13, 13)
    outer = circle(6.5, 6.5, 6.0)
    inner = circle(6.5, 6.5, 5.0)
    if enabled:
        c.fill(inner, BOX_TOP, BOX_BOTTOM)
        c.fill(difference(outer, inner), BOX_BORDER)
        mark = TEXT
    else:
        c.fill(inner, OFF_FILL)
        c.fill(difference(outer, inner), OFF_BORDER)
        mark = OFF_MARK
    if checked:
        c.fill(circle(6.5, 6.5, 2.6), mark)
    return c


def triangle(direction, size, inset, colour):
    """A filled triangle pointing up, down, left or right inside a size x size square."""
    lo, hi, mid = inset, size - inset, size / 2.0
    depth = (hi - lo) * 0.6
    a, b = mid - depth / 2.0, mid + depth / 2.0
    points = {
        "up": [(lo, b), (hi, b), (mid, a)],
        "down": [(lo, a), (hi, a), (mid, b)],
        "left": [(b, lo), (b, hi), (a, mid)],
        "right": [(a, lo), (a, hi), (b, mid)],
    }[direction]
    c = Canvas(size, size)
    c.fill(polygon(points), colour)
    return c


def chevron(direction):
    c = Canvas(16, 16)
    if direction == "left":
        points = [(10.0, 3.5), (5.5, 8.0), (10.0, 12.5)]
    else:
        points = [(6.0, 3.5), (10.5, 8.0), (6.0, 12.5)]
    c.fill(stroke(points, 2.0), TEXT)
    return c


IMAGES = {
    "add_top.png": lambda: triangle("up", 10, 1.0, TEXT),
    "add_bottom.png": lambda: triangle("down", 10, 1.0, TEXT),
    "add_left.png": lambda: triangle("left", 10, 1.0, TEXT),
    "add_right.png": lambda: triangle("right", 10, 1.0, TEXT),
    "branch_open.png": lambda: triangle("down", 10, 1.5, MARK),
    "branch_close.png": lambda: triangle("right", 10, 1.5, MARK),
    "calendar_prevmonth.png": lambda: chevron("left"),
    "calendar_nextmonth.png": lambda: chevron("right"),
    "checkbox_checked.png": lambda: checkbox("checked", True),
    "checkbox_checked_disable.png": lambda: checkbox("checked", False),
    "checkbox_unchecked.png": lambda: checkbox("unchecked", True),
    "checkbox_unchecked_disable.png": lambda: checkbox("unchecked", False),
    "checkbox_parcial.png": lambda: checkbox("parcial", True),
    "checkbox_parcial_disable.png": lambda: checkbox("parcial", False),
    "radiobutton_checked.png": lambda: radiobutton(True, True),
    "radiobutton_checked_disable.png": lambda: radiobutton(True, False),
    "radiobutton_unchecked.png": lambda: radiobutton(False, True),
    "radiobutton_unchecked_disable.png": lambda: radiobutton(False, False),
}


def main():
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "psblack")
    os.makedirs(folder, exist_ok=True)
    for name, draw in IMAGES.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(draw().png())


if __name__ == "__main__":
    main()
