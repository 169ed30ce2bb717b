#!/usr/bin/env python3
"""Draws the uninstaller skin's images from a few shapes and one palette.

    make_skin_images.py OUTPUT_DIR

Writes every PNG the layouts name (32-bit RGBA) and uninst_icon.ico. Only the
standard library is used; the output is the same on every run, so the images
can be changed here and regenerated at will.
"""
import math
import os
import struct
import sys
import zlib

# One palette for everything: calm greys and one blue.
PALETTE = {
    "brand": (0x2F, 0x7C, 0xF6),
    "brand_light": (0x4F, 0x9B, 0xFF),
    "brand_dark": (0x1E, 0x5F, 0xD9),
    "white": (0xFF, 0xFF, 0xFF),
    "face": (0xFF, 0xFF, 0xFF),
    "face_hover": (0xF3, 0xF7, 0xFF),
    "face_pushed": (0xE8, 0xED, 0xF4),
    "face_disabled": (0xF6, 0xF6, 0xF6),
    "line": (0xD6, 0xDA, 0xE0),
    "line_hover": (0x84, 0xAE, 0xF4),
    "line_pushed": (0xA9, 0xB4, 0xC2),
    "line_disabled": (0xE6, 0xE6, 0xE6),
    "track": (0xE2, 0xE6, 0xEC),
    "glyph": (0x9A, 0x9A, 0x9A),
    "danger": (0xE5, 0x48, 0x4D),
    "panel": (0xFF, 0xFF, 0xFF),
    "panel_band": (0xF6, 0xF8, 0xFB),
    "panel_line": (0xE3, 0xE3, 0xE3),
    "shadow": (0x00, 0x00, 0x00),
}


# --- shapes as signed distances (negative inside) --------------------------

def rounded_box(cx, cy, hx, hy, r):
    def sdf(x, y):
        qx = abs(x - cx) - (hx - r)
        qy = abs(y - cy) - (hy - r)
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r
    return sdf


def box(x0, y0, x1, y1):
    return rounded_box((x0 + x1) / 2, (y0 + y1) / 2, (x1 - x0) / 2, (y1 - y0) / 2, 0.0)


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def segment(ax, ay, bx, by, width):
    def sdf(x, y):
        px, py = x - ax, y - ay
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, (px * dx + py * dy) / (dx * dx + dy * dy)))
        return math.hypot(px - dx * t, py - dy * t) - width / 2
    return sdf


def polyline(points, width):
    parts = [segment(*points[i], *points[i + 1], width) for i in range(len(points) - 1)]
    return lambda x, y: min(p(x, y) for p in parts)


def convex_polygon(points):
    """Points in clockwise order (y down)."""
    edges = []
    for i, (ax, ay) in enumerate(points):
        bx, by = points[(i + 1) % len(points)]
        length = math.hypot(bx - ax, by - ay)
        edges.append((ax, ay, (by - ay) / length, -(bx - ax) / length))
    return lambda x, y: max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny in edges)


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def inset(shape, amount):
    return lambda x, y: shape(x, y) + amount


# --- canvas ----------------------------------------------------------------

class Canvas:
    """Straight-alpha RGBA in floats; shapes are painted with 'over'."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = [[0.0, 0.0, 0.0, 0.0] for _ in range(width * height)]

    def paint(self, shape, color, alpha=1.0):
        """color: an (r, g, b) or a function (x, y) -> (r, g, b)."""
        for y in range(self.height):
            for x in range(self.width):
                coverage = min(1.0, max(0.0, 0.5 - shape(x + 0.5, y + 0.5)))
                if coverage <= 0.0:
                    continue
                rgb = color(x + 0.5, y + 0.5) if callable(color) else color
                self.blend(x, y, rgb, coverage * alpha)

    def blend(self, x, y, rgb, a):
        p = self.pixels[y * self.width + x]
        out_a = a + p[3] * (1 - a)
        if out_a <= 0:
            return
        for i in range(3):
            p[i] = (rgb[i] * a + p[i] * p[3] * (1 - a)) / out_a
        p[3] = out_a

    def set(self, x, y, rgb, a):
        self.pixels[y * self.width + x] = [float(rgb[0]), float(rgb[1]), float(rgb[2]), a]

    def rgba_rows(self):
        rows = []
        for y in range(self.height):
            row = bytearray()
            for x in range(self.width):
                r, g, b, a = self.pixels[y * self.width + x]
                row += bytes((round(r) & 0xFF, round(g) & 0xFF, round(b) & 0xFF, round(a * 255) & 0xFF))
            rows.append(bytes(row))
        return rows


def vertical_gradient(top_rgb, bottom_rgb, y0, y1):
    def color(x, y):
        t = min(1.0, max(0.0, (y - y0) / (y1 - y0)))
        return tuple(top_rgb[i] + (bottom_rgb[i] - top_rgb[i]) * t for i in range(3))
    return color


# --- file formats ------------------------------------------------------------

def png_bytes(canvas):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + row for row in canvas.rgba_rows())
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def ico_bytes(canvases):
    """Icon file with one 32-bit BMP image per canvas."""
    images = []
    for c in canvases:
        rows = c.rgba_rows()
        xor = b"".join(bytes(b for i in range(0, len(row), 4)
                             for b in (row[i + 2], row[i + 1], row[i], row[i + 3]))
                       for row in reversed(rows))
        mask_stride = ((c.width + 31) // 32) * 4
        mask = bytes(mask_stride * c.height)
        header = struct.pack("<IiiHHIIiiII", 40, c.width, c.height * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        images.append((c, header + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in images:
        out += struct.pack("<BBBBHHII", c.width % 256, c.height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in images)


# --- the pictures ------------------------------------------------------------

def draw_logo(size):
    """A rounded blue tile with a white compass: ring and needle."""
    c = Canvas(size, size)
    s = size / 80.0
    tile = rounded_box(40 * s, 40 * s, 38 * s, 38 * s, 18 * s)
    c.paint(tile, vertical_gradient(PALETTE["brand_light"], PALETTE["brand_dark"], 2 * s, 78 * s))
    c.paint(ring(40 * s, 40 * s, 23 * s, 5 * s), PALETTE["white"])
    north = convex_polygon([(40 * s, 40 * s - 6.5 * s), (57 * s, 23 * s), (40 * s + 6.5 * s, 40 * s)])
    south = convex_polygon([(40 * s - 6.5 * s, 40 * s), (40 * s, 40 * s + 6.5 * s), (23 * s, 57 * s)])
    c.paint(north, PALETTE["white"])
    c.paint(south, PALETTE["white"], 0.55)
    c.paint(circle(40 * s, 40 * s, 6.5 * s), PALETTE["white"])
    c.paint(circle(40 * s, 40 * s, 2.6 * s), PALETTE["brand"])
    return c


def draw_button(width, height, face, line):
    c = Canvas(width, height)
    outer = rounded_box(width / 2, height / 2, width / 2, height / 2, 4)
    c.paint(outer, line)
    c.paint(inset(outer, 1), face)
    return c


def draw_filled_button(width, height, top, bottom):
    c = Canvas(width, height)
    c.paint(rounded_box(width / 2, height / 2, width / 2, height / 2, 4), vertical_gradient(top, bottom, 0, height))
    return c


def draw_check(checked):
    c = Canvas(14, 14)
    outer = rounded_box(7, 7, 7, 7, 3)
    if checked:
        c.paint(outer, PALETTE["brand"])
        c.paint(polyline([(3.6, 7.2), (6.0, 9.6), (10.6, 4.6)], 1.8), PALETTE["white"])
    else:
        c.paint(outer, (0xB4, 0xB9, 0xC1))
        c.paint(inset(outer, 1), PALETTE["white"])
    return c


def draw_cross(size, color, stroke):
    c = Canvas(size, size)
    m = size * 0.22
    c.paint(union(segment(m, m, size - m, size - m, stroke), segment(size - m, m, m, size - m, stroke)), color)
    return c


def draw_bar(width, height, color):
    """A bar 16 pixels high centred in the image, with round ends."""
    c = Canvas(width, height)
    bar = rounded_box(width / 2, height / 2, width / 2, 8, 8)
    c.paint(bar, color)
    return c


def draw_shadow(width, height, band):
    """Black, fading outwards over `band` pixels around a clear centre."""
    c = Canvas(width, height)
    inner = (band, band, width - band, height - band)
    strongest = 0.20
    for y in range(height):
        for x in range(width):
            dx = max(inner[0] - (x + 0.5), 0.0, (x + 0.5) - inner[2])
            dy = max(inner[1] - (y + 0.5), 0.0, (y + 0.5) - inner[3])
            if dx == 0.0 and dy == 0.0:
                continue
            d = math.hypot(dx, dy)
            if d >= band:
                continue
            t = 1.0 - d / band
            c.set(x, y, PALETTE["shadow"], strongest * t * t)
    return c


def draw_panel(width, height):
    c = Canvas(width, height)
    c.paint(box(0, 0, width, height), PALETTE["panel_line"])
    c.paint(box(1, 1, width - 1, height - 1), PALETTE["panel"])
    c.paint(box(1, 1, width - 1, 36), PALETTE["panel_band"])
    c.paint(box(1, 36, width - 1, 37), PALETTE["panel_line"])
    return c


def pictures():
    p = PALETTE
    yield "logo.png", draw_logo(80)
    yield "btn_normal.png", draw_button(120, 34, p["face"], p["line"])
    yield "btn_hover.png", draw_button(120, 34, p["face_hover"], p["line_hover"])
    yield "btn_pushed.png", draw_button(120, 34, p["face_pushed"], p["line_pushed"])
    yield "btn_disabled.png", draw_button(120, 34, p["face_disabled"], p["line_disabled"])
    yield "check.png", draw_check(True)
    yield "uncheck.png", draw_check(False)
    yield "main_close.png", draw_cross(16, p["glyph"], 1.5)
    yield "main_close_hover.png", draw_cross(16, p["danger"], 1.8)
    yield "progress_back.png", draw_bar(600, 24, p["track"])
    yield "progress_fore.png", draw_bar(600, 24, p["brand"])
    yield "shadow.png", draw_shadow(758, 508, 16)
    yield "close.png", draw_cross(14, p["glyph"], 1.4)
    yield "close_hover.png", draw_cross(14, p["danger"], 1.6)
    yield "msg_btn_normal.png", draw_button(120, 34, p["face"], p["line"])
    yield "msg_btn_hover.png", draw_filled_button(120, 34, p["brand_light"], p["brand"])
    yield "tc_bg.png", draw_panel(320, 200)


def main(argv):
    if len(argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out = argv[1]
    os.makedirs(out, exist_ok=True)
    for name, canvas in pictures():
        with open(os.path.join(out, name), "wb") as f:
            f.write(png_bytes(canvas))
    with open(os.path.join(out, "uninst_icon.ico"), "wb") as f:
        f.write(ico_bytes([draw_logo(16), draw_logo(32), draw_logo(48)]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
